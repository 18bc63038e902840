// A client window closes like any other when the session ends or the program is
// told to stop (SIGTERM, SIGINT, SIGHUP): its windows are closed and the event
// loop ends, so that "-view" still deletes its temporary file.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace orx {

class QuitOnSignal : public QObject {
    Q_OBJECT
  public:
    QuitOnSignal();
    ~QuitOnSignal() override;
    QuitOnSignal(const QuitOnSignal&) = delete;
    QuitOnSignal& operator=(const QuitOnSignal&) = delete;

  private:
    void OnSignal();

    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace orx
