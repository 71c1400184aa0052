#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace common {

// A program asked to stop (SIGTERM at logout or shutdown, SIGHUP when its terminal goes,
// Ctrl+C) ends its event loop and returns from main as if its window were closed, so every
// handle is released in order and the database file is left whole. Make one after the
// application object; the signals are handled as before once it is gone.
class QuitOnSignal : public QObject {
    Q_OBJECT
  public:
    QuitOnSignal();
    ~QuitOnSignal() override;
    QuitOnSignal(const QuitOnSignal&) = delete;
    QuitOnSignal& operator=(const QuitOnSignal&) = delete;

  private:
    void OnSignal();

    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace common
