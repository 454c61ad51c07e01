// A timer whose interval 0 means stopped; any other interval starts it.
#pragma once

#include <QObject>
#include <QTimer>

namespace tess {

class Timer : public QObject {
    Q_OBJECT
  public:
    explicit Timer(QObject* parent = nullptr) : QObject(parent) {
        connect(&timer_, &QTimer::timeout, this, &Timer::tick);
    }
    int interval() const { return interval_; }
    void setInterval(int ms) {
        interval_ = ms < 0 ? 0 : ms;
        if (interval_ == 0) {
            timer_.stop();
        } else {
            timer_.start(interval_);
        }
    }
    bool enabled() const { return enabled_; }
    void setEnabled(bool on) {
        enabled_ = on;
        if (!on)
            timer_.stop();
        else if (interval_ > 0)
            timer_.start(interval_);
    }

  signals:
    void tick();

  private:
    QTimer timer_;
    int interval_ = 0;
    bool enabled_ = true;
};

} // namespace tess
