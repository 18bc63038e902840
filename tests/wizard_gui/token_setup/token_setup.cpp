#include "token_setup.h"

#include "core/base64.h"
#include "core/trace.h"
#include "token/token_application.h"

namespace orx {

int CreateTokenWithPkcs12(TokenApplication& app, const std::string& label,
                          const std::vector<uint8_t>& pkcs12) {
    app.Invoke("Reset");
    app.SetProperty("TokenLabel", label.c_str());
    int result = app.Invoke("CreateToken");
    if (result != 0) {
        Trace("Demo - CreateToken failed: %d", result);
        return result;
    }
    app.SetProperty("Certificate", Base64Encode(pkcs12).c_str());
    result = app.Invoke("WriteCertificate");
    if (result != 0)
        Trace("Demo - WriteCertificate failed: %d", result);
    return result;
}

}  // namespace orx
