#include "core/static_config_area.h"

#include "core/static_config_seam.h"

namespace orx {

// Not const and not static, so that it stays in the writable initialised data
// where a patch tool finds it, and no compiler may take its zeros for granted.
extern unsigned char StaticConfigArea[kStaticConfigAreaSize];
__attribute__((used, aligned(16))) unsigned char StaticConfigArea[kStaticConfigAreaSize] = {
    0xCF, 0xCF, 0xCF, 0xCF, 0xCF, 0xCF, 0xCF, 0xCF};

namespace {

// The area as the program file holds it: the barrier hides from the optimiser that
// the bytes were zero when compiled.
const unsigned char* AreaText() {
    const unsigned char* area = StaticConfigArea;
    asm volatile("" : "+r"(area) : : "memory");
    return area + kStaticConfigMarkerSize;
}

constexpr size_t kTextRoom = kStaticConfigAreaSize - kStaticConfigMarkerSize;

std::string TextOf(const unsigned char* room, size_t size) {
    size_t used = 0;
    for (size_t i = 0; i < size; ++i) {
        if (room[i] != 0)
            ++used;
    }
    return std::string(reinterpret_cast<const char*>(room), used);
}

}  // namespace

bool IsStaticConfigPresent() {
    {
        StaticConfigOverride& o = StaticConfigAreaOverride();
        std::lock_guard<std::mutex> guard(o.lock);
        if (o.text)
            return !o.text->empty() && (*o.text)[0] != '\0';
    }
    return AreaText()[0] != 0;
}

std::string GetStaticConfigText() {
    {
        StaticConfigOverride& o = StaticConfigAreaOverride();
        std::lock_guard<std::mutex> guard(o.lock);
        if (o.text) {
            const size_t size = o.text->size() < kTextRoom ? o.text->size() : kTextRoom;
            return TextOf(reinterpret_cast<const unsigned char*>(o.text->data()), size);
        }
    }
    return TextOf(AreaText(), kTextRoom);
}

StaticConfigOverride& StaticConfigAreaOverride() {
    static StaticConfigOverride* value = new StaticConfigOverride;
    return *value;
}

}  // namespace orx
