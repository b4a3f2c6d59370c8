// The Redact menu: Mark Area (M), Find Faces and Plates, Show Marks, Delete Mark and
// Clear Marks of This Clip, over the marks store of the moment that plays. While the
// tracker follows a mark a small progress window says so and can stop it.
#pragma once

#include <QMenu>
#include <QPointer>

class AppDelegate;
class MarkStore;
class QMenuBar;
#include <QProgressDialog>

class RedactMenu : public QMenu {
    Q_OBJECT
public:
    // Adds the menu to the end of `bar`; its commands act on `app`'s player and marks.
    static RedactMenu *install(QMenuBar *bar, AppDelegate *app);

    void markArea();
    void deleteMark();
    void clearMarks();
    // The tracking job's progress window, while one runs.
    QProgressDialog *trackingProgress() const { return progress_; }
    QAction *showMarksItem() const { return show_; }

    static constexpr QKeyCombination kMarkAreaKey{Qt::Key_M};

protected:
    void changeEvent(QEvent *) override;

private:
    RedactMenu(QWidget *parent, AppDelegate *app);
    void retranslate();
    void follow(MarkStore *marks);

    AppDelegate *app_;
    QPointer<MarkStore> marks_;
    QAction *mark_ = nullptr, *find_ = nullptr, *show_ = nullptr, *delete_ = nullptr, *clear_ = nullptr;
    QPointer<QProgressDialog> progress_;
};
