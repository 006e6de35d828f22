// A request to change start types, as the windows that ask for one hand it
// on; the applier runs it.
#pragma once

#include <string>

// What the application works on.
enum ApplyMode
{
    kApplyMarkedRows = 1,  // the ticked rows and the remembered one
    kApplySelectedRow = 2, // the remembered row alone
    kApplyProfile = 3,     // the knowledge base's services, by profile
    kApplyFile = 4,        // the records of a configuration file
};

struct ApplyRequest
{
    ApplyMode mode = kApplyMarkedRows;
    // The start type of the row modes (2 automatic, 3 manual, 4 disabled);
    // the profile, 1 to 5, of kApplyProfile.
    int nValue = 0;
    // kApplyFile: the file to read, or, when bTextGiven, the text itself
    // (what the caller wrote, not what the path holds by now).
    std::string strPath;
    std::string strText;
    bool bTextGiven = false;
};
