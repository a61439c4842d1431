#include "platform/gl_driver.h"

#ifdef ZORVEX_SANITIZE
#include <dlfcn.h>
#include <link.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Mesa's drivers are the loaded objects named *_dri.so.
int collectDrivers(dl_phdr_info* info, size_t, void* names) {
    if (info->dlpi_name && std::strstr(info->dlpi_name, "_dri.so")) {
        static_cast<std::vector<std::string>*>(names)->push_back(info->dlpi_name);
    }
    return 0;
}

}  // namespace

void keepGlDriverLoaded() {
    std::vector<std::string> drivers;
    dl_iterate_phdr(collectDrivers, &drivers);
    // Opening a loaded object again with RTLD_NODELETE pins it; the handle is never closed.
    for (const std::string& driver : drivers)
        dlopen(driver.c_str(), RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
}

#else

void keepGlDriverLoaded() {}

#endif
