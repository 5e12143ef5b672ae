#include "dialogs/FrmZmianaZakresu.h"

#include "editor/DateField.h"
#include "editor/RangePickers.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

FrmZmianaZakresu::FrmZmianaZakresu(Prompt& prompt, PlanDocument& doc, QWidget* parent)
    : QDialog(parent), m_from(NewRangePicker(prompt, "dtpOd", this)), m_to(NewRangePicker(prompt, "dtpDo", this))
{
    setObjectName(QStringLiteral("frmZmianaZakresu"));
    setWindowTitle(QStringLiteral("Zakres planu pracy"));
    setModal(true);
    auto* frame = new QGroupBox(this);
    QGridLayout* grid = AddRangeRow(frame, m_from, m_to, 1);
    m_range = new RangePickers(m_from, m_to, doc, false, this);
    auto* caption = new QLabel(QStringLiteral("Od"), frame);
    caption->setObjectName(QStringLiteral("lblOd"));
    grid->addWidget(caption, 0, 0, 1, 4);
    caption->hide(); // the frame's own caption, kept for the dialog's layout of controls

    auto* ok = new QPushButton(QStringLiteral("&Ok"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setAccessibleName(QStringLiteral("Ok"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("&Anuluj"), this);
    cancel->setObjectName(QStringLiteral("cmdAnuluj"));
    cancel->setAccessibleName(QStringLiteral("Anuluj"));
    connect(ok, &QPushButton::clicked, this, &FrmZmianaZakresu::cmdOK_Click);
    connect(cancel, &QPushButton::clicked, this, &FrmZmianaZakresu::reject);

    auto* layout = new QGridLayout(this);
    layout->addWidget(frame, 0, 0, 1, 3);
    layout->setColumnStretch(0, 1);
    layout->addWidget(ok, 1, 1);
    layout->addWidget(cancel, 1, 2);
}

std::optional<RangeRequest> FrmZmianaZakresu::Ask(QDate from, QDate to)
{
    m_range->Show(from, to);
    m_from->setFocus();
    if (exec() != QDialog::Accepted) return std::nullopt;
    return RangeRequest{m_range->From(), m_range->To()};
}

void FrmZmianaZakresu::cmdOK_Click()
{
    // A date typed and not yet left is taken first; one refused keeps its focus.
    if (m_range->Commit()) accept();
}

void FrmZmianaZakresu::reject()
{
    m_range->Restore();
    QDialog::reject();
}
