#include "editor/RangePickers.h"

#include "editor/DateField.h"
#include "plan/PlanDocument.h"

#include <QLabel>

DateField* NewRangePicker(Prompt& prompt, const char* name, QWidget* parent)
{
    auto* picker = new DateField(prompt, parent);
    picker->setObjectName(QString::fromLatin1(name));
    picker->SetSpan(DateOfDay(0), DateOfDay(MaxPlanDay));
    return picker;
}

QGridLayout* AddRangeRow(QGroupBox* frame, DateField* from, DateField* to, int row)
{
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* fromLabel = new QLabel(QStringLiteral("Obowiązuje od:"), frame);
    fromLabel->setObjectName(QStringLiteral("Label1"));
    auto* toLabel = new QLabel(QStringLiteral("do"), frame);
    toLabel->setObjectName(QStringLiteral("Label2"));
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

RangePickers::RangePickers(DateField* from, DateField* to, PlanDocument& doc, bool toAlwaysEdits, QObject* parent)
    : QObject(parent), m_from(from), m_to(to), m_doc(doc), m_toAlwaysEdits(toAlwaysEdits)
{
    // A picker changes when it is left (or picked from its calendar), so the
    // pull-back rules never act on a date half typed.
    connect(m_from, &DateField::DateChanged, this, &RangePickers::FromChanged);
    connect(m_to, &DateField::DateChanged, this, &RangePickers::ToChanged);
    Remember();
}

QDate RangePickers::From() const
{
    return m_from->Date();
}

QDate RangePickers::To() const
{
    return m_to->Date();
}

bool RangePickers::Commit()
{
    return m_from->Commit() && m_to->Commit();
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
    m_from->SetDate(from);
    m_to->SetDate(to);
    m_showing = false;
    Remember();
}

void RangePickers::Remember()
{
    m_rememberedFrom = m_lastFrom = From().toString(RangeDateFormat);
    m_rememberedTo = m_lastTo = To().toString(RangeDateFormat);
}

void RangePickers::Restore()
{
    m_showing = true;
    m_from->SetDate(QDate::fromString(m_rememberedFrom, RangeDateFormat));
    m_to->SetDate(QDate::fromString(m_rememberedTo, RangeDateFormat));
    m_showing = false;
    m_lastFrom = m_rememberedFrom;
    m_lastTo = m_rememberedTo;
}

void RangePickers::FromChanged()
{
    if (m_showing) return;
    if (From() > To()) m_from->SetDate(To());
    const QString now = From().toString(RangeDateFormat);
    if (now != m_lastFrom) m_doc.RangeEdited = true;
    m_lastFrom = now;
    emit Changed(From(), To());
}

void RangePickers::ToChanged()
{
    if (m_showing) return;
    if (To() < From()) m_to->SetDate(From());
    const QString now = To().toString(RangeDateFormat);
    if (m_toAlwaysEdits || now != m_lastTo) m_doc.RangeEdited = true;
    m_lastTo = now;
    m_doc.LastToDate = now;
    emit Changed(From(), To());
}
