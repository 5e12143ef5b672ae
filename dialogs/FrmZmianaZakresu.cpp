#include "dialogs/FrmZmianaZakresu.h"

#include "editor/FrmGrafenta.h"
#include "editor/PlanCommands.h"
#include "editor/RangePickers.h"
#include "editor/commands/EditCommands.h"
#include "env/ProgramState.h"

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
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* caption = new QLabel(QStringLiteral("Od"), frame);
    caption->setObjectName(QStringLiteral("lblOd"));
    auto* fromLabel = new QLabel(QStringLiteral("Obowiązuje od:"), frame);
    fromLabel->setObjectName(QStringLiteral("Label1"));
    auto* toLabel = new QLabel(QStringLiteral("do"), frame);
    toLabel->setObjectName(QStringLiteral("Label2"));
    m_from->setObjectName(QStringLiteral("dtpOd"));
    m_to->setObjectName(QStringLiteral("dtpDo"));
    SetUpRangePicker(m_from);
    SetUpRangePicker(m_to);
    m_from->setAccessibleName(QStringLiteral("Obowiązuje od"));
    m_to->setAccessibleName(QStringLiteral("Obowiązuje do"));
    fromLabel->setBuddy(m_from);
    toLabel->setBuddy(m_to);
    m_range = new RangePickers(m_from, m_to, state.Doc, false, this);

    auto* grid = new QGridLayout(frame);
    grid->addWidget(caption, 0, 0, 1, 4);
    grid->addWidget(fromLabel, 1, 0);
    grid->addWidget(m_from, 1, 1);
    grid->addWidget(toLabel, 1, 2);
    grid->addWidget(m_to, 1, 3);
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
    m_window.Undo()->push(new RangeChangeCommand(doc, [this] { m_window.ShowPlanRange(); }, before,
                                                 PlanRangeState::Of(changed)));
    accept();
}

void FrmZmianaZakresu::reject()
{
    m_range->Restore();
    m_window.Commands()->DialogAnulowany = true;
    m_window.Commands()->SuppressPlanSelection = false;
    QDialog::reject();
}
