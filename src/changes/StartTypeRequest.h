// A request for start types, as a profile of the knowledge base, the
// wizard's answers or a configuration file's text make one: services by
// the name they give (GBK) and the start type each asks for. Portable.
#pragma once

#include "config/ServiceConfigFile.h"

#include <cstdint>
#include <string>
#include <vector>

struct NamedStartType
{
    std::string strName; // GBK, as the knowledge base or the file writes it
    std::uint32_t dwStartType = 0;
};

struct StartTypeRequest
{
    // In order; a service named twice gets what its last record says.
    std::vector<NamedStartType> targets;
    // What a file's reader made of the lines it does not apply.
    ServiceConfigFile::Findings file;
    // A file's records fail without a word; a profile's failures are told,
    // but for a service that cannot be opened.
    bool bFromFile = false;
};
