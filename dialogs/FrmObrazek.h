// The start-up splash: the program's picture and a bar that shows how far
// the reading of the employee files has got.
#pragma once

#include <QWidget>

class QProgressBar;

class FrmObrazek : public QWidget
{
    Q_OBJECT

public:
    explicit FrmObrazek(QWidget* parent = nullptr);
    QProgressBar* Bar() const { return m_bar; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QProgressBar* m_bar;
};
