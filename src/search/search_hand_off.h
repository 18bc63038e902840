// The worker's events, carried to the window's thread: the worker emits, Qt
// queues a copy of each row, and the window applies them in order on its own
// thread. Emitting never waits for the window, so a window that waits for the
// worker cannot deadlock with it.
#pragma once

#include <QMetaType>
#include <QObject>

#include "search/search_logic.h"

Q_DECLARE_METATYPE(orx::FoundRow)

namespace orx {

class SearchHandOff : public QObject, public SearchEvents {
    Q_OBJECT
  public:
    explicit SearchHandOff(QObject* parent = nullptr);

    // Worker thread.
    void RowAdded(const FoundRow& row) override { emit rowAdded(row); }
    void RowRemoved(int id) override { emit rowRemoved(id); }
    void SearchEnded() override { emit searchEnded(); }

  signals:
    void rowAdded(const orx::FoundRow& row);
    void rowRemoved(int id);
    void searchEnded();
};

}  // namespace orx
