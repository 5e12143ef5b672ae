#include "editor/SchedulePanel.h"

#include "editor/ColourToggle.h"
#include "editor/DateField.h"
#include "editor/RangePickers.h"
#include "editor/TwipsLayout.h"
#include "env/Environment.h"
#include "plan/PlanDocument.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace {

// The panel's twips start at the window's top 3240; rows of slots 0, 1, 2,
// 3, 5 and 6 from the top down, the free-day toggle under them.
constexpr int Top = 3240;
constexpr std::array<int, SlotCount> RowTop{3705, 3990, 4275, 4560, 5415, 4845, 5130};
constexpr std::array<int, 4> ColumnLeft{855, 1455, 2415, 3015};
// A little wider than drawn, so that hh:mm fits the field in any common font.
constexpr int FieldWidth = 570;
const std::array<QString, 4> ColumnWords{QStringLiteral("Wejście"), QStringLiteral("Wyjście"),
                                         QStringLiteral("Przerwa od"), QStringLiteral("Przerwa do")};
const std::array<const char*, 4> ColumnNames{"txtOd", "txtdo", "txtPrzeOd", "txtPrzeDo"};

QRect Row(int left, int top, int width, int height = 285)
{
    return QRect(left, top - Top, width, height);
}

} // namespace

void ShowFieldLocked(TimeFieldEdit* field, bool locked, const QColor& windowColour)
{
    field->setEnabled(!locked);
    QPalette palette = field->palette();
    const QColor background = locked ? windowColour : QColor(255, 255, 255);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, background);
    field->setPalette(palette);
}

SchedulePanel::SchedulePanel(const Environment& env, PlanDocument& doc, QWidget* parent)
    : QWidget(parent), m_env(env), m_doc(doc)
{
    auto* layout = new TwipsLayout(this, QSize(3600, 2520));
    m_scheduleOnly << AddLabel(layout, "lblGodzinyPracy", QStringLiteral("Godziny pracy"), Row(855, 3240, 1500, 225))
                   << AddLabel(layout, "lblPrzerwy", QStringLiteral("Przerwy:"), Row(2415, 3240, 1095, 225));
    for (int i = 0; i < 2; ++i) {
        m_scheduleOnly << AddLabel(layout, i ? "lblOd_1" : "lblOd_0", QStringLiteral("Od"),
                                   Row(ColumnLeft[2 * size_t(i)], 3465, 495, 225))
                       << AddLabel(layout, i ? "lblDo_1" : "lblDo_0", QStringLiteral("Do"),
                                   Row(ColumnLeft[2 * size_t(i) + 1], 3465, 495, 225));
    }
    for (int slot = 0; slot < SlotCount; ++slot) {
        auto* toggle = new ColourToggle(QString::number(slot), this);
        toggle->setObjectName(QStringLiteral("tglKolor_%1").arg(slot));
        toggle->setAccessibleName(slot == FreeDaySlot ? QStringLiteral("Dzień wolny")
                                                      : QStringLiteral("Harmonogram %1").arg(slot));
        connect(toggle, &QPushButton::clicked, this, [this, slot] { tglKolor_Click(slot); });
        layout->AddWidget(toggle, Row(120, RowTop[size_t(slot)], 615));
        m_toggles[size_t(slot)] = toggle;
        m_scheduleOnly << toggle;
        for (int column = 0; column < 4; ++column) {
            const int id = FieldIds::Of(slot, column);
            TimeFieldEdit* field =
                AddField(layout, id, Row(ColumnLeft[size_t(column)], RowTop[size_t(slot)], FieldWidth),
                         ColumnWords[size_t(column)] + QStringLiteral(" – harmonogram %1").arg(slot));
            field->setObjectName(QStringLiteral("%1_%2").arg(QLatin1String(ColumnNames[size_t(column)])).arg(slot));
            // The free-day slot's fields exist but are never shown.
            if (slot == FreeDaySlot)
                field->setVisible(false);
            else
                m_scheduleOnly << field;
        }
    }
    for (int slot = 0; slot < SlotCount; ++slot) {
        Field(FieldIds::Of(slot, EntryColumn))->SetKeys(TimeFieldEdit::Keys::TimeOnly);
        Field(FieldIds::Of(slot, EntryColumn))->SetNext(Field(FieldIds::Of(slot, ExitColumn)));
        Field(FieldIds::Of(slot, ExitColumn))->SetKeys(TimeFieldEdit::Keys::TimeOnly);
        Field(FieldIds::Of(slot, ExitColumn))->SetNext(Field(FieldIds::Of(slot, BreakFromColumn)));
        Field(FieldIds::Of(slot, BreakFromColumn))->SetKeys(TimeFieldEdit::Keys::EnterMovesOn);
        Field(FieldIds::Of(slot, BreakFromColumn))->SetNext(Field(FieldIds::Of(slot, BreakToColumn)));
    }
    m_scheduleOnly << AddLabel(layout, "lblDzienWolny", QStringLiteral("Dzień wolny"), Row(855, 5445, 1500, 225));
    // Tab follows the rows as they stand, the free-day toggle under them last.
    QWidget::setTabOrder(Field(FieldIds::Of(6, BreakToColumn)), m_toggles[FreeDaySlot]);

    // The weekly arrangement, in the room the schedules leave: the weekday
    // toggles, the norm, the start of the day, the check box and the range.
    const char* weekdayNames[2] = {"Dzień wolny", "Dzień pracujący"};
    for (int i = 0; i < 2; ++i) {
        auto* toggle = new ColourToggle(i ? QStringLiteral("P") : QStringLiteral("W"), this);
        toggle->setObjectName(QStringLiteral("tglKolorNONE_%1").arg(i));
        toggle->setAccessibleName(QString::fromUtf8(weekdayNames[i]));
        connect(toggle, &QPushButton::clicked, this, [this, i] { tglKolorNONE_Click(i); });
        layout->AddWidget(toggle, Row(120, i ? 3570 : 3255, 615));
        m_weekdayToggles[size_t(i)] = toggle;
        m_weeklyOnly << toggle;
    }
    QLabel* freeLabel =
        AddLabel(layout, "lblDzienWolnyNONE", QString::fromUtf8(weekdayNames[0]), Row(855, 3285, 2400, 225));
    QLabel* workLabel =
        AddLabel(layout, "lblDzienPracujacyNONE", QString::fromUtf8(weekdayNames[1]), Row(855, 3600, 2400, 225));
    QLabel* normLabel = AddLabel(layout, "lblNormaDzienna", QStringLiteral("Norma dzienna"), Row(120, 3945, 1600, 225));
    QLabel* startLabel = AddLabel(layout, "lblStartDnia", QStringLiteral("Początek doby"), Row(120, 4260, 1600, 225));
    TimeFieldEdit* norm = AddField(layout, FieldIds::Norm, Row(1800, 3915, 615), normLabel->text());
    norm->setObjectName(QStringLiteral("txtNorma"));
    TimeFieldEdit* start = AddField(layout, FieldIds::DayStart, Row(1800, 4230, 615), startLabel->text());
    start->setObjectName(QStringLiteral("txtStartDnia"));
    m_includeFreeDays = new QCheckBox(QStringLiteral("Uwzględnij dni wolne"), this);
    m_includeFreeDays->setObjectName(QStringLiteral("chkDniWolne"));
    m_includeFreeDays->setAccessibleName(m_includeFreeDays->text());
    connect(m_includeFreeDays, &QCheckBox::clicked, this, &SchedulePanel::IncludeFreeDaysClicked);
    layout->AddWidget(m_includeFreeDays, Row(120, 4545, 3000));

    m_rangeFrame = new QGroupBox(QStringLiteral("Zakres planu pracy"), this);
    m_rangeFrame->setObjectName(QStringLiteral("ramZakresPlanu"));
    m_rangeFrame->setAccessibleName(m_rangeFrame->title());
    const QRect frame = RangeFrameTwips();
    layout->AddWidget(m_rangeFrame, Row(frame.left(), frame.top(), frame.width(), frame.height()));
    // The frame's rows: "Od" dtpOd over "do" dtpDo, the fields as wide as the labels leave.
    auto* frameLayout = new QGridLayout(m_rangeFrame);
    frameLayout->setContentsMargins(6, 2, 6, 4);
    frameLayout->setSpacing(3);
    auto* fromLabel = new QLabel(QStringLiteral("Od"), m_rangeFrame);
    fromLabel->setObjectName(QStringLiteral("lblOdN"));
    auto* toLabel = new QLabel(QStringLiteral("do"), m_rangeFrame);
    toLabel->setObjectName(QStringLiteral("lblDoN"));
    m_from = NewRangePicker(env.Ui, "dtpOd", m_rangeFrame);
    m_to = NewRangePicker(env.Ui, "dtpDo", m_rangeFrame);
    fromLabel->setBuddy(m_from);
    toLabel->setBuddy(m_to);
    frameLayout->addWidget(fromLabel, 0, 0);
    frameLayout->addWidget(m_from, 0, 1);
    frameLayout->addWidget(toLabel, 1, 0);
    frameLayout->addWidget(m_to, 1, 1);
    m_from->setAccessibleName(QStringLiteral("Zakres planu pracy od"));
    m_to->setAccessibleName(QStringLiteral("Zakres planu pracy do"));
    // The main window's pickers count every change of the last day as an edit.
    m_range = new RangePickers(m_from, m_to, doc, true, this);
    connect(m_range, &RangePickers::Changed, this, &SchedulePanel::RangeChanged);

    m_weeklyOnly << freeLabel << workLabel << normLabel << startLabel << norm << start << m_includeFreeDays
                 << m_rangeFrame;
    m_weeklyLabels << workLabel << fromLabel << toLabel << normLabel;
}

QLabel* SchedulePanel::AddLabel(TwipsLayout* layout, const char* name, const QString& text, QRect twips)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    layout->AddWidget(label, twips);
    return label;
}

TimeFieldEdit* SchedulePanel::AddField(TwipsLayout* layout, int id, QRect twips, const QString& accessibleName)
{
    auto* field = new TimeFieldEdit(id, m_doc.Fields, m_env.Ui, this);
    field->setAccessibleName(accessibleName);
    connect(field, &TimeFieldEdit::Edited, this, &SchedulePanel::FieldEdited);
    layout->AddWidget(field, twips);
    m_fields[size_t(id)] = field;
    return field;
}

int SchedulePanel::SelectedSlot() const
{
    for (int slot = SlotCount - 1; slot >= 0; --slot) {
        if (m_toggles[size_t(slot)]->isChecked()) return slot;
    }
    return 0;
}

void SchedulePanel::ShowFields()
{
    for (TimeFieldEdit* field : m_fields) {
        if (field) field->ShowStored();
    }
}

void SchedulePanel::ShowColours()
{
    for (int slot = 0; slot < SlotCount; ++slot)
        m_toggles[size_t(slot)]->SetColour(m_env.ColourTable[size_t(slot)]);
}

void SchedulePanel::tglKolor_Click(int index)
{
    if (m_toggleGuard) return;
    m_toggleGuard = true;
    for (ColourToggle* toggle : m_toggles)
        toggle->setChecked(false);
    m_toggles[size_t(index)]->setChecked(true);
    m_toggleGuard = false;
}

void SchedulePanel::tglKolorNONE_Click(int index)
{
    if (m_weekdayGuard) return;
    m_weekdayGuard = true;
    m_weekdayToggles[size_t(index)]->setChecked(true);
    m_weekdayToggles[size_t(1 - index)]->setChecked(false);
    m_markingValue = index == 0 ? FreeWeekday : WorkingWeekday;
    m_weekdayGuard = false;
}

void SchedulePanel::ArrangeFor(uint8_t kind, bool freeDaysLoaded)
{
    const bool weekly = kind == 0;
    if (weekly != m_weeklyShown || !m_arranged) {
        for (QWidget* widget : std::as_const(m_scheduleOnly))
            widget->setVisible(!weekly);
        for (QWidget* widget : std::as_const(m_weeklyOnly))
            widget->setVisible(weekly);
        m_weeklyShown = weekly;
        m_arranged = true;
    }
    if (!weekly) return;
    m_weekdayToggles[0]->SetColour(m_env.ColourTable[0]);
    m_weekdayToggles[1]->SetColour(m_env.ColourTable[1]);
    m_weekdayToggles[0]->setChecked(true);
    m_weekdayToggles[1]->setChecked(false);
    m_includeFreeDays->setEnabled(freeDaysLoaded);
    if (freeDaysLoaded) m_includeFreeDays->setChecked(m_doc.Plan.IncludeFreeDays);
}

void SchedulePanel::ShowRange(QDate from, QDate to)
{
    m_range->Show(from, to);
}

void SchedulePanel::SetLocked(bool locked)
{
    const QColor windowColour = palette().color(QPalette::Window);
    m_rangeFrame->setEnabled(!locked);
    for (ColourToggle* toggle : m_weekdayToggles)
        toggle->setEnabled(!locked);
    for (QLabel* label : std::as_const(m_weeklyLabels))
        label->setEnabled(!locked);
    m_from->setEnabled(!locked);
    m_to->setEnabled(!locked);
    Field(FieldIds::Norm)->setEnabled(!locked);
    for (ColourToggle* toggle : m_toggles)
        toggle->setEnabled(!locked);
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (slot == FreeDaySlot) continue;
        for (int column = 0; column < 4; ++column)
            ShowFieldLocked(Field(FieldIds::Of(slot, column)), locked, windowColour);
    }
}

AllowancePanel::AllowancePanel(const Environment& env, PlanDocument& doc, QWidget* parent) : QWidget(parent)
{
    // Twips from the window's left 3600, top 5190: two rows under the list.
    auto* layout = new TwipsLayout(this, QSize(5415, 660));
    struct Allowance
    {
        const char* Label;
        const char* Text;
        QRect LabelTwips, FieldTwips;
    };
    // The labels as wide as their words need, the fields as wide as the schedules'.
    const Allowance allowances[4] = {
        {"lblWczesniejszeWyjscia", "Wcześniejsze wejście", QRect(0, 30, 1770, 285), QRect(1800, 30, FieldWidth, 285)},
        {"lblMaksymalnyCzasNadgodzin", "Maksymalny czas nadgodzin", QRect(2430, 345, 2370, 285),
         QRect(4845, 345, FieldWidth, 285)},
        {"lblMaksymalnyCzasPrzerw", "Maksymalny czas przerw", QRect(2430, 30, 2370, 285),
         QRect(4845, 30, FieldWidth, 285)},
        {"lblPozniejszeWyjascia", "Późniejsze wyjście", QRect(0, 345, 1770, 285), QRect(1800, 345, FieldWidth, 285)},
    };
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(QString::fromUtf8(allowances[i].Text), this);
        label->setObjectName(QString::fromLatin1(allowances[i].Label));
        layout->AddWidget(label, allowances[i].LabelTwips);
        auto* field = new TimeFieldEdit(FieldIds::Allowance(i), doc.Fields, env.Ui, this);
        field->setObjectName(QStringLiteral("txtPozostale_%1").arg(i));
        field->setAccessibleName(label->text());
        field->SetMinimumOneMinute(i == EarlierEntry || i == LaterExit);
        label->setBuddy(field);
        connect(field, &TimeFieldEdit::Edited, this, &AllowancePanel::FieldEdited);
        layout->AddWidget(field, allowances[i].FieldTwips);
        m_fields[size_t(i)] = field;
    }
}

void AllowancePanel::SetLocked(bool locked)
{
    const QColor windowColour = palette().color(QPalette::Window);
    for (TimeFieldEdit* field : m_fields)
        ShowFieldLocked(field, locked, windowColour);
}
