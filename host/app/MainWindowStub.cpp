#include "host/app/MainWindowStub.h"

#include <QAction>
#include <QKeySequence>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>

MainWindowStub::MainWindowStub(const QString &companyName, QWidget *parent) : QMainWindow(parent)
{
    setWindowTitle(companyName.isEmpty() ? QStringLiteral("kv8") : QStringLiteral("kv8 - ") + companyName);
    mdi_ = new QMdiArea(this);
    setCentralWidget(mdi_);

    QMenu *file = menuBar()->addMenu(tr("&File"));
    QAction *exit = file->addAction(tr("E&xit"));
    exit->setShortcut(QKeySequence::Quit);
    connect(exit, &QAction::triggered, this, &QWidget::close);
    resize(1024, 768);
}
