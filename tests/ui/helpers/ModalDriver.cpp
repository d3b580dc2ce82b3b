#include "ModalDriver.h"

#include <QApplication>
#include <QTimer>

#include <memory>

namespace {
constexpr int MaxPolls = 200;

void poll(const std::function<void(QWidget *)> &action, const std::shared_ptr<bool> &ran,
          int pollsLeft)
{
    QTimer::singleShot(pollsLeft == MaxPolls ? 0 : 10, [action, ran, pollsLeft] {
        if (QWidget *modal = QApplication::activeModalWidget(); modal && modal->isVisible()) {
            *ran = true;
            action(modal);
        } else if (pollsLeft > 0) {
            poll(action, ran, pollsLeft - 1);
        }
    });
}
} // namespace

ModalDriver::ModalDriver(std::function<void(QWidget *modal)> action)
    : m_ran(std::make_shared<bool>(false))
{
    poll(action, m_ran, MaxPolls);
}
