// Reading a registry key whole into a KeyCopy, and making a key equal one.
#pragma once

#include "common/KeyCopy.h"

#include <windows.h>

#include <string>

// Deletes a key with everything below it (RegDeleteTree is not on XP).
LONG DeleteRegistryTree(HKEY hParent, const std::wstring& wstrSubkey);

// The key wstrPath below hParent with every value and key below it.
// ERROR_SUCCESS, or the registry's error for the first part that could not
// be read (the copy is then incomplete and not to be trusted).
LONG ReadKeyCopy(HKEY hParent, const std::wstring& wstrPath, KeyCopy* pCopy);

// Makes the key wstrPath below hParent hold what the copy holds and nothing
// else: missing keys are made, values that differ written, values and keys
// the copy lacks deleted; a value already equal is not written again.
// Goes on past a failure; ERROR_SUCCESS or the first error.
LONG WriteKeyCopy(HKEY hParent, const std::wstring& wstrPath, const KeyCopy& copy);
