// Saves what the screen shows as a 24-bit BMP, for a person to look at.
#pragma once

#include <string>

// The file goes under build/<configuration>/screenshots beside bin/.
bool SaveScreenshot(const std::string& strName);
