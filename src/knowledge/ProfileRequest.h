// A profile of the knowledge base as a request for start types: every
// service the knowledge base knows, with the start type the profile gives
// it, in the knowledge base's order.
#pragma once

#include "changes/StartTypeRequest.h"

StartTypeRequest ProfileRequest(int nProfile);
