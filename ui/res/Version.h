// The version every program and the About box show. Kept in step with the
// project version in CMakeLists.txt (the resource tests compare the two).
#pragma once

#define KELVARO_VERSION_MAJOR 1
#define KELVARO_VERSION_MINOR 1
#define KELVARO_VERSION_TEXT "1.1.0.0"
#define KELVARO_PRODUCT_NAME "Kelvaro"
