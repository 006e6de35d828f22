// Configuration files on disk: the chooser, the reading of a file and the
// writing of every Win32 service's start type (the records themselves are
// ServiceConfigFile's).
#pragma once

#include "services/ServiceSession.h"

#include <windows.h>

#include <functional>
#include <string>

enum class ExportOutcome
{
    Saved,
    Cancelled,
    Failed, // said so, and no file is left behind
};

// The common file dialog in its save or open form, *.svc; false when the
// user cancels.
bool ChooseServiceConfigFile(HWND hOwner, bool bSave, std::string* pstrPath);

// The whole file; false when it cannot be read or is far too large to be
// a configuration file.
bool ReadServiceConfigFile(const std::string& strPath, std::string* pstrData);

// One record per Win32 service the manager lists, replacing the file. A
// listing that fails leaves an older file as it was, and a write that fails
// removes the half-written one: false in both cases. A service that cannot
// be read gets no line; its failure goes to report, unless it was removed
// since the listing. A service whose name GBK cannot hold exactly is left
// out and counted in *pnLeftOut.
bool WriteServiceConfigFile(IServiceSession& session, const std::string& strPath,
                            const std::function<void(DWORD dwError)>& report, int* pnLeftOut);
