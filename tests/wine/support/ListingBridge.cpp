#include "support/ListingBridge.h"

#include "services/ServiceListing.h"

#include <type_traits>

static_assert(std::is_same<WideEnumServicesFunction, EnumServicesFunction>::value,
              "the bridge passes the loop's own function type on");

DWORD ListServicesThrough(SC_HANDLE hManager, DWORD dwServiceType, std::vector<EnumeratedService>* pServices,
                          const WideEnumServicesFunction& enumerate)
{
    return ListServices(hManager, dwServiceType, pServices, enumerate);
}
