#include "platform/window/version_info.h"
#include <cstdio>
int main() {
    std::printf("%s\n", tess::versionInfo().productName);
    return 0;
}
