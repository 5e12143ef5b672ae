#include "dialogs/FrmProgress.h"

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

FrmProgress::FrmProgress(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmProgress"));
    setWindowTitle(QStringLiteral("Postęp..."));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* label = new QLabel(QStringLiteral("Trwa przydzielanie planu pracy"), frame);
    label->setObjectName(QStringLiteral("Label1"));
    m_bar = new QProgressBar(frame);
    m_bar->setObjectName(QStringLiteral("prgBar"));
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setAccessibleName(label->text());
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(label);
    frameLayout->addWidget(m_bar);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    setMinimumWidth(360);
}
