#include "tests/platform/graphics_driver_leaks.h"

#include <dlfcn.h>
#include <link.h>

#include <cstring>

namespace {

const char* const driverNames[] = {"_dri.so",  "libEGL",  "libGLX",     "libGL.so",
                                   "libglapi", "libLLVM", "libgallium", "libOpenGL"};

bool isDriver(const char* path) {
    for (const char* name : driverNames) {
        if (std::strstr(path, name) != nullptr) {
            return true;
        }
    }
    return false;
}

int keepLoaded(dl_phdr_info* info, size_t, void*) {
    if (info->dlpi_name != nullptr && isDriver(info->dlpi_name)) {
        // Only raises the flag of an object already loaded; the reference
        // taken here is never given back, on purpose.
        dlopen(info->dlpi_name, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
    }
    return 0;
}

} // namespace

void keepGraphicsDriversLoaded() {
    dl_iterate_phdr(keepLoaded, nullptr);
}

extern "C" const char* __lsan_default_suppressions() {
    return "leak:_dri.so\n"
           "leak:libEGL_mesa.so\n"
           "leak:libGLX_mesa.so\n"
           "leak:libglapi.so\n"
           "leak:libLLVM\n"
           "leak:libgallium\n"
           // D-Bus, which SDL uses to hold off the screen saver, keeps its
           // connection data for the life of the process.
           "leak:libdbus-1.so\n";
}
