#include "SurfaceTestSupport.h"

#include <X11/Xlib.h>

namespace surfaces_test
{
void ignoreXErrors()
{
    XSetErrorHandler ([] (Display*, XErrorEvent*) { return 0; });
}
} // namespace surfaces_test
