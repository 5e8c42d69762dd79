#include "app/timeFormats.h"

namespace orbel {

namespace {
// The Earth lines start with five spaces so that "Earth" lines up under
// "Orithaven" in the detail window.
constexpr TimeFormats kMode0{"%Q", "Orithaven : %x(%a) %H:%M <%L>", "     Earth : %c", 5, 200};
constexpr TimeFormats kMode1{"%v <%L(%q)>", "Orithaven [%v <%L>]", "     Earth [%v]", 5, 200};
constexpr TimeFormats kMode2{"%x(%a) %X <%L(%q)>", "Orithaven : %c", "     Earth : %c", 1, 40};
} // namespace

const TimeFormats& timeFormatsFor(int mode) noexcept {
    switch (mode) {
    case 1:
        return kMode1;
    case 2:
        return kMode2;
    default:
        return kMode0;
    }
}

} // namespace orbel
