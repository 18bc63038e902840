// What a card's PKCS#11 module answers, as the module answers the program: the
// program knows a short list of results (results/module_results.h) and shows a
// message for each; a card speaks the whole of PKCS#11, so its answers are brought
// onto that list, and whatever has no meaning for the user becomes a failure.
#pragma once

#include <p11-kit/pkcs11.h>

namespace orx {

int CardResult(CK_RV rv);

// The answers that mean the token went: its session is of no further use.
bool TokenGone(CK_RV rv);

}  // namespace orx
