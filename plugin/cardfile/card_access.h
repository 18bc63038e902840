// What can be done to a virtual card in a reader without asking anybody: try a
// password or the PUK, give an application a new password box, and change what an
// application holds with its key. The module's dialogs build on these, and so can
// any other way of handing over a password. Retry counters live in the card file and
// are counted down on disk before a password is tried, so that ending the process in
// the middle never gives a try back.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "cardfile/reader_store.h"
#include "keys/token_crypto.h"
#include "tokenfile/token_objects.h"

namespace orx {

// A card application: the reader with its card file, and the application's index.
struct CardPlace {
    Reader reader;
    size_t application = 0;
};

// Counts a try down on disk, then checks the password (or, with `puk`, the PUK) and
// gives the tries back when it fits: CKR_OK with the application's key,
// CKR_PIN_INCORRECT, CKR_PIN_LOCKED (no tries were left, or this was the last),
// CKR_ATTRIBUTE_VALUE_INVALID, CKR_TOKEN_NOT_PRESENT or CKR_FUNCTION_FAILED.
int TryCardPassword(const ReaderStore& store, const CardPlace& at, bool puk,
                    std::string_view password, TokenKey& key);

// Under the reader's lock: the application's password box becomes `box`, and with
// `restoreTries` its password gets all its tries back. CKR_TOKEN_NOT_PRESENT when the
// card is gone or is no longer the one with `serial`.
int ReplacePasswordBox(const ReaderStore& store, const CardPlace& at,
                       const std::array<uint8_t, 8>& serial, const std::vector<uint8_t>& box,
                       bool restoreTries);

// Under the reader's lock, as EditTokenObjects for a soft token: reads the card file
// at `cardPath` again, opens the application's token with its key, lets `edit` change
// both lists and writes the card back. CKR_TOKEN_NOT_PRESENT when the card is gone or
// is no longer the one with `serial`.
int EditCardApplication(const ReaderStore& store, const Reader& reader, const std::string& cardPath,
                        const std::array<uint8_t, 8>& serial, size_t application,
                        const TokenKey& key, const ObjectEdit& edit);

}  // namespace orx
