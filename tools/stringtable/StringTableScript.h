// The knowledge base as a resource script: the string table of the Windows
// build, written from the table in the sources. The generator is built for
// the machine that builds, with its texts compiled as UTF-8, and the script
// goes to the resource compiler as UTF-8 (code page 65001).
#pragma once

#include <string>

namespace StringTableScript
{
// A text as a string of the resource script, quotes included; false when
// it holds a control character other than a line feed, which the table
// never needs.
bool Quote(const std::string& strText, std::string* pQuoted);
// The whole script, one string for every id from the About item to the
// last question; false with the id named in pstrError when one is missing
// or cannot be written.
bool Write(std::string* pScript, std::string* pstrError);
} // namespace StringTableScript
