// The progress window of the plan assignment: "Trwa przydzielanie planu
// pracy" and a bar from 0 to 100, shown while the run goes on.
#pragma once

#include <QDialog>

class QProgressBar;

class FrmProgress : public QDialog
{
    Q_OBJECT

public:
    explicit FrmProgress(QWidget* parent = nullptr);
    QProgressBar* Bar() const { return m_bar; }

private:
    QProgressBar* m_bar;
};
