#include "editor/RangePickers.h"

#include "plan/PlanDocument.h"

#include <QDateEdit>
#include <QLabel>

void SetUpRangePicker(QDateEdit* picker)
{
    picker->setDisplayFormat(RangeDateFormat);
    picker->setCalendarPopup(true);
    picker->setMinimumDate(DateOfDay(0));
    picker->setMaximumDate(DateOfDay(MaxPlanDay));
}

QGridLayout* AddRangeRow(QGroupBox* frame, QDateEdit* from, QDateEdit* to, int row)
{
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* fromLabel = new QLabel(QStringLiteral("Obowiązuje od:"), frame);
    fromLabel->setObjectName(QStringLiteral("Label1"));
    auto* toLabel = new QLabel(QStringLiteral("do"), frame);
    toLabel->setObjectName(QStringLiteral("Label2"));
    from->setObjectName(QStringLiteral("dtpOd"));
    to->setObjectName(QStringLiteral("dtpDo"));
    SetUpRangePicker(from);
    SetUpRangePicker(to);
    from->setAccessibleName(QStringLiteral("Obowiązuje od"));
    to->setAccessibleName(QStringLiteral("Obowiązuje do"));
    fromLabel->setBuddy(from);
    toLabel->setBuddy(to);
    auto* grid = new QGridLayout(frame);
    grid->addWidget(fromLabel, row, 0);
    grid->addWidget(from, row, 1);
    grid->addWidget(toLabel, row, 2);
    grid->addWidget(to, row, 3);
    return grid;
}

RangePickers::RangePickers(QDateEdit* from, QDateEdit* to, PlanDocument& doc, bool toAlwaysEdits, QObject* parent)
    : QObject(parent), m_from(from), m_to(to), m_doc(doc), m_toAlwaysEdits(toAlwaysEdits)
{
    connect(m_from, &QDateEdit::dateChanged, this, &RangePickers::FromChanged);
    connect(m_to, &QDateEdit::dateChanged, this, &RangePickers::ToChanged);
    Remember();
}

QDate RangePickers::From() const
{
    return m_from->date();
}

QDate RangePickers::To() const
{
    return m_to->date();
}

int32_t RangePickers::FirstDay() const
{
    return DayOfDate(From());
}

int32_t RangePickers::LastDay() const
{
    return DayOfDate(To());
}

void RangePickers::Show(QDate from, QDate to)
{
    m_showing = true;
    m_from->setDate(from);
    m_to->setDate(to);
    m_showing = false;
    Remember();
}

void RangePickers::Remember()
{
    m_rememberedFrom = m_lastFrom = m_from->date().toString(RangeDateFormat);
    m_rememberedTo = m_lastTo = m_to->date().toString(RangeDateFormat);
}

void RangePickers::Restore()
{
    m_showing = true;
    m_from->setDate(QDate::fromString(m_rememberedFrom, RangeDateFormat));
    m_to->setDate(QDate::fromString(m_rememberedTo, RangeDateFormat));
    m_showing = false;
    m_lastFrom = m_rememberedFrom;
    m_lastTo = m_rememberedTo;
}

void RangePickers::FromChanged()
{
    if (m_showing) return;
    if (m_from->date() > m_to->date()) m_from->setDate(m_to->date());
    const QString now = m_from->date().toString(RangeDateFormat);
    if (now != m_lastFrom) m_doc.RangeEdited = true;
    m_lastFrom = now;
    emit Changed(From(), To());
}

void RangePickers::ToChanged()
{
    if (m_showing) return;
    if (m_to->date() < m_from->date()) m_to->setDate(m_from->date());
    const QString now = m_to->date().toString(RangeDateFormat);
    if (m_toAlwaysEdits || now != m_lastTo) m_doc.RangeEdited = true;
    m_lastTo = now;
    m_doc.LastToDate = now;
    emit Changed(From(), To());
}
