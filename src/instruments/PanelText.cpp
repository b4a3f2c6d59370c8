#include "PanelText.h"

#include <QAccessible>
#include <QPointer>

#include <algorithm>
#include <vector>

namespace {

// The placeholder only exists while no assistive tool listens, so nobody reads it.
const char kQuietName[] = "read-out";

class QuietReadouts : public QAccessible::ActivationObserver {
public:
    static QuietReadouts &instance()
    {
        // Never destroyed: Qt's list of observers may be gone before static objects are.
        static auto *readouts = new QuietReadouts;
        return *readouts;
    }

    void add(QLabel *label)
    {
        labels_.erase(std::remove_if(labels_.begin(), labels_.end(), [](const QPointer<QLabel> &l) { return !l; }),
                      labels_.end());
        labels_.emplace_back(label);
        if (!active_)
            label->setAccessibleName(QString::fromLatin1(kQuietName));
    }

    void accessibilityActiveChanged(bool active) override
    {
        active_ = active;
        for (const QPointer<QLabel> &label : labels_)
            if (label)
                label->setAccessibleName(active ? QString() : QString::fromLatin1(kQuietName));
    }

private:
    QuietReadouts() : active_(QAccessible::isActive()) { QAccessible::installActivationObserver(this); }

    bool active_;
    std::vector<QPointer<QLabel>> labels_;
};

} // namespace

void quietReadout(QLabel *label)
{
    QuietReadouts::instance().add(label);
}
