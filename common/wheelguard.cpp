// Drop-down lists that ignore the wheel until they have the focus.
#include "common/wheelguard.h"

#include <QComboBox>
#include <QEvent>

namespace zelvar {

namespace {

class WheelGuard : public QObject
{
public:
    explicit WheelGuard(QComboBox *list) : QObject(list), m_list(list) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_list && event->type() == QEvent::Wheel && !m_list->hasFocus()) {
            // Left unaccepted, the wheel goes on to the list's parents.
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QComboBox *m_list;
};

} // namespace

void guardWheel(QComboBox *list)
{
    list->setFocusPolicy(Qt::StrongFocus);
    list->installEventFilter(new WheelGuard(list));
}

} // namespace zelvar
