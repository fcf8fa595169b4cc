#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QThreadPool>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

#include "common/error.h"
#include "views/fight.h"

namespace qorn {

// One per-fight view of the window (a list or a graph), chosen by the tab
// switch: Show() fills it for a fight, Clear() empties it. Each view is a
// small class over one core function of views/; see list_views.h and
// chart_views.h.
class FightView {
 public:
  virtual ~FightView() = default;
  // Empties the view and drops a fill still under way.
  virtual void Clear() = 0;
  // Fills the view for `fight`. The database work may run on a worker and
  // end later; a failure is reported through the view's FillRunner.
  virtual void Show(const Fight& fight) = 0;
  // Fills the view when no fight is selected in the overview, if it can
  // show anything then; false when it needs a fight.
  virtual bool ShowWithoutFight() { return false; }
};

// Runs a view's database work on a worker thread and hands the result to
// the window's thread, so the window stays responsive while a view fills.
// A newer Run() or Cancel() drops the result of an older one. A failure
// (qorn::Error) is reported to `onFailure` with its message.
class FillRunner : public QObject {
  Q_OBJECT
 public:
  using FailureHandler = std::function<void(const QString& message)>;
  explicit FillRunner(FailureHandler onFailure) : onFailure_(std::move(onFailure)) {}

  // `work` runs on a worker and returns what `show` puts on screen.
  template <typename Work, typename Show>
  void Run(Work work, Show show) {
    const uint64_t run = ++generation_;
    ++pending_;
    QPointer<FillRunner> self(this);
    QThreadPool::globalInstance()->start(
        [self, run, work = std::move(work), show = std::move(show)]() mutable {
          using Result = decltype(work());
          auto result = std::make_shared<std::optional<Result>>();
          QString failure;
          try {
            result->emplace(work());
          } catch (const std::exception& e) {
            failure = QString::fromUtf8(e.what());
          }
          // Back on the window's thread, where the runner may be gone by now.
          QMetaObject::invokeMethod(
              QCoreApplication::instance(),
              [self, run, result, failure, show = std::move(show)]() mutable {
                if (self.isNull()) return;
                self->Finish(run, failure, [&] { show(std::move(**result)); });
              },
              Qt::QueuedConnection);
        });
  }
  void Cancel() { ++generation_; }
  // Fills started and not yet shown (or dropped).
  bool Busy() const { return pending_ > 0; }

 signals:
  // A fill has ended: shown, failed or dropped.
  void finished();

 private:
  void Finish(uint64_t run, const QString& failure, const std::function<void()>& show) {
    --pending_;
    if (run == generation_) {
      if (failure.isEmpty()) {
        show();
      } else if (onFailure_) {
        onFailure_(failure);
      }
    }
    emit finished();
  }

  FailureHandler onFailure_;
  uint64_t generation_ = 0;
  int pending_ = 0;
};

}  // namespace qorn
