#include "KeyGuide.h"

#include "common/Localization.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace KeyGuide {

QString withMnemonic(const QString &text, QChar letter)
{
    const QString plain = QString(text).remove(QLatin1Char('&'));
    const qsizetype at = plain.indexOf(letter, 0, Qt::CaseInsensitive);
    if (at >= 0)
        return plain.left(at) + QLatin1Char('&') + plain.mid(at);
    return plain + QStringLiteral(" (&") + letter.toUpper() + QLatin1Char(')');
}

QString withKeys(const QString &text, const QKeySequence &keys)
{
    return keys.isEmpty() ? text : text + QLatin1Char('\t') + keys.toString(QKeySequence::NativeText);
}

namespace {

void collect(const QMenu *menu, QList<Row> &out)
{
    for (const QAction *a : menu->actions()) {
        if (a->menu()) {
            collect(a->menu(), out);
            continue;
        }
        if (a->isSeparator())
            continue;
        QString text = a->text();
        QString keys = a->shortcut().toString(QKeySequence::NativeText);
        const qsizetype tab = text.indexOf(QLatin1Char('\t'));
        if (tab >= 0) {
            keys = text.mid(tab + 1);
            text.truncate(tab);
        }
        if (keys.isEmpty())
            continue;
        text.remove(QLatin1Char('&'));
        if (text.endsWith(QChar(0x2026)))
            text.chop(1);
        out.append({keys, text});
    }
}

} // namespace

QList<Row> otherKeys()
{
    const auto seq = [](QKeyCombination k) { return QKeySequence(k).toString(QKeySequence::NativeText); };
    return {
        {seq(QKeyCombination(Qt::Key_Escape)), Localization::text("Close a panel or leave full screen")},
        {seq(Qt::ALT | Qt::Key_BracketLeft), Localization::text("Chosen camera earlier")},
        {seq(Qt::ALT | Qt::Key_BracketRight), Localization::text("Chosen camera later")},
        {seq(Qt::ALT | Qt::Key_Backslash), Localization::text("Chosen camera back in step")},
        {QStringLiteral("+ / - / 0"), Localization::text("Zoom the timeline in, out, back (timeline focused)")},
    };
}

QList<Row> rows(const QMenuBar *bar)
{
    QList<Row> out;
    if (bar)
        for (const QAction *a : bar->actions())
            if (a->menu())
                collect(a->menu(), out);
    out += otherKeys();
    return out;
}

void show(const QMenuBar *bar, QWidget *parent)
{
    static QPointer<QDialog> shown;
    if (shown) {
        shown->raise();
        shown->activateWindow();
        return;
    }
    auto *dialog = new QDialog(parent);
    shown = dialog;
    dialog->setObjectName(QStringLiteral("keyGuide"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(Localization::text("Keyboard Shortcuts"));
    const QList<Row> list = rows(bar);
    auto *table = new QTableWidget(int(list.size()), 2, dialog);
    table->setObjectName(QStringLiteral("keyGuideTable"));
    table->setHorizontalHeaderLabels({Localization::text("Keys"), Localization::text("Command")});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setFocusPolicy(Qt::NoFocus);
    for (int r = 0; r < list.size(); ++r) {
        table->setItem(r, 0, new QTableWidgetItem(list[r].keys));
        table->setItem(r, 1, new QTableWidgetItem(list[r].what));
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    buttons->button(QDialogButtonBox::Close)->setText(Localization::text("Close"));
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    auto *layout = new QVBoxLayout(dialog);
    layout->addWidget(table);
    layout->addWidget(buttons);
    const int width = table->horizontalHeader()->length() + 60;
    dialog->resize(std::max(480, width), 560);
    if (parent)
        dialog->move(parent->frameGeometry().center() - dialog->rect().center());
    dialog->show();
}

} // namespace KeyGuide
