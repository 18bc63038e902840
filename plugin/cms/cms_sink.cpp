#include "cms/cms_sink.h"

#include <cstring>

#include "cms/cms_text.h"

namespace orx {

namespace {

struct SinkState {
    std::string* out = nullptr;
    bool base64 = false;
    uint8_t carry[3] = {};
    size_t carried = 0;
};

int SinkWrite(BIO* bio, const char* data, size_t size, size_t* written) {
    auto* state = static_cast<SinkState*>(BIO_get_data(bio));
    *written = size;
    if (!state->base64) {
        state->out->append(data, size);
        return 1;
    }
    const auto* src = reinterpret_cast<const uint8_t*>(data);
    while (state->carried > 0 && state->carried < 3 && size > 0) {
        state->carry[state->carried++] = *src++;
        --size;
    }
    if (state->carried == 3) {
        Base64Append({std::span<const uint8_t>(state->carry, 3)}, *state->out);
        state->carried = 0;
    }
    const size_t whole = size / 3 * 3;
    Base64Append({std::span<const uint8_t>(src, whole)}, *state->out);
    std::memcpy(state->carry, src + whole, size - whole);
    state->carried = size - whole;
    return 1;
}

int SinkPuts(BIO* bio, const char* text) {
    size_t written = 0;
    SinkWrite(bio, text, std::strlen(text), &written);
    return static_cast<int>(written);
}

long SinkCtrl(BIO*, int cmd, long, void*) {
    return cmd == BIO_CTRL_FLUSH ? 1 : 0;
}

int SinkCreate(BIO* bio) {
    BIO_set_init(bio, 1);
    return 1;
}

int SinkDestroy(BIO* bio) {
    delete static_cast<SinkState*>(BIO_get_data(bio));
    BIO_set_data(bio, nullptr);
    return 1;
}

}  // namespace

StringSink::StringSink() {
    method_ = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "orx string sink");
    if (method_) {
        BIO_meth_set_write_ex(method_, SinkWrite);
        BIO_meth_set_puts(method_, SinkPuts);
        BIO_meth_set_ctrl(method_, SinkCtrl);
        BIO_meth_set_create(method_, SinkCreate);
        BIO_meth_set_destroy(method_, SinkDestroy);
    }
}

StringSink::~StringSink() {
    BIO_meth_free(method_);
}

BioPtr StringSink::Open(std::string& out, bool base64) {
    if (!method_)
        return nullptr;
    BioPtr bio(BIO_new(method_));
    if (!bio)
        return nullptr;
    auto state = std::make_unique<SinkState>();
    state->out = &out;
    state->base64 = base64;
    BIO_set_data(bio.get(), state.release());
    return bio;
}

void StringSink::Finish(BIO* bio) {
    auto* state = static_cast<SinkState*>(BIO_get_data(bio));
    if (state && state->base64 && state->carried > 0) {
        Base64Append({std::span<const uint8_t>(state->carry, state->carried)}, *state->out);
        state->carried = 0;
    }
}

}  // namespace orx
