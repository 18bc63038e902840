#include "search/search_hand_off.h"

namespace orx {

SearchHandOff::SearchHandOff(QObject* parent) : QObject(parent) {
    // Queued arguments are copied through the meta-type system.
    qRegisterMetaType<orx::FoundRow>();
}

}  // namespace orx
