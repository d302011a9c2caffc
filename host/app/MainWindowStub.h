#pragma once
// The main window until the real one arrives: an MDI area and a File menu.
#include <QMainWindow>

class QMdiArea;

class MainWindowStub : public QMainWindow {
    Q_OBJECT
public:
    // companyName: shown in the title ("kv8 - name"); the title is "kv8" when empty.
    explicit MainWindowStub(const QString &companyName, QWidget *parent = nullptr);

    QMdiArea *MdiArea() const { return mdi_; }

private:
    QMdiArea *mdi_ = nullptr;
};
