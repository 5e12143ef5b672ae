// The about window: the program's and the suite library's versions, the
// installed package's name, the maker's address and links, and a notice on
// the program's protection.
#pragma once

#include <QDialog>

class QLabel;

class FrmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit FrmAbout(QWidget* parent = nullptr);

    // "Program wersja " + major "." minor and revision run together.
    static QString ProgramVersionText(int major, int minor, int revision);
    // "Biblioteka podstawowa " + major "." two-digit minor.
    static QString LibraryVersionText(int major, int minor);

    // The texts the about button fills in before showing the window.
    void SetLibraryVersion(int major, int minor);
    void SetPackageName(const QString& name);

    static const QString EmailAddress;
    static const QString WebAddress;

private:
    QLabel* m_libraryVersion;
    QLabel* m_package;
};
