#include "VideoFileDialog.h"

#include "common/Localization.h"

#include <QFileDialog>

namespace VideoFileDialog {

QString filter()
{
    return Localization::text("open_panel_filter") + QStringLiteral(" (*.MOV *.mov *.MP4 *.mp4 *.M4V *.m4v);;")
           + Localization::text("open_panel_all") + QStringLiteral(" (*)");
}

QList<QUrl> chooseFiles(QWidget *parent)
{
    return QFileDialog::getOpenFileUrls(parent, Localization::text("open_panel_title"), QUrl(), filter());
}

} // namespace VideoFileDialog
