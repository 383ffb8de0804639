// The one translation unit that holds stb_image's implementation, the
// baseline decoder of the reader benchmarks. Built without the project's
// warnings: the code is not ours.
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
