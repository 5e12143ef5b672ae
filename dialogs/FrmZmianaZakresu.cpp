#include "dialogs/FrmZmianaZakresu.h"

#include "editor/FrmGrafenta.h"
#include "editor/PlanCommands.h"
#include "editor/RangePickers.h"
#include "editor/commands/EditCommands.h"
#include "plan/ProgramState.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

FrmZmianaZakresu::FrmZmianaZakresu(ProgramState& state, FrmGrafenta& window, QWidget* parent)
    : QDialog(parent), m_state(state), m_window(window), m_from(new QDateEdit(this)), m_to(new QDateEdit(this))
{
    setObjectName(QStringLiteral("frmZmianaZakresu"));
    setWindowTitle(QStringLiteral("Zakres planu pracy"));
    setModal(true);
    auto* frame = new QGroupBox(this);
    QGridLayout* grid = AddRangeRow(frame, m_from, m_to, 1);
    m_range = new RangePickers(m_from, m_to, state.Doc, false, this);
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

void FrmZmianaZakresu::ShowForPlan()
{
    PlanDocument& doc = m_state.Doc;
    m_range->Show(DateOfDay(doc.Plan.FirstDay), DateOfDay(doc.Plan.LastDay));
    m_window.Commands()->DialogAnulowany = false;
    m_from->setFocus();
    exec();
}

void FrmZmianaZakresu::cmdOK_Click()
{
    PlanDocument& doc = m_state.Doc;
    // The new range and its day table, worked out on a copy: the change is one step.
    const PlanRangeState before = PlanRangeState::Of(doc);
    PlanDocument changed = doc;
    ZmienZakresDni(changed, m_range->FirstDay(), m_range->LastDay());
    m_window.Undo()->push(new RangeChangeCommand(
        doc, [this] { m_window.ShowPlanRange(); }, before, PlanRangeState::Of(changed)));
    accept();
}

void FrmZmianaZakresu::reject()
{
    m_range->Restore();
    m_window.Commands()->DialogAnulowany = true;
    m_window.Commands()->SuppressPlanSelection = false;
    QDialog::reject();
}
