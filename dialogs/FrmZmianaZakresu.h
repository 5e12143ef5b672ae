// The plan range dialog ("Zakres planu pracy"): asks for new ends of a
// schedule plan's range. OK hands the range to the window's command, which
// gives the plan the new range and its day table the days that both ranges
// share; Cancel puts the pickers back.
#pragma once

#include <QDate>
#include <QDialog>

#include <optional>

class DateField;
class Prompt;
class RangePickers;
struct PlanDocument;

// The range the user asked for.
struct RangeRequest
{
    QDate From;
    QDate To;
};

class FrmZmianaZakresu : public QDialog
{
    Q_OBJECT

public:
    FrmZmianaZakresu(Prompt& prompt, PlanDocument& doc, QWidget* parent = nullptr);

    DateField* From() const { return m_from; }
    DateField* To() const { return m_to; }
    RangePickers* Range() const { return m_range; }

    // cmdZakres: the plan's range in the pickers, then the dialog, modally;
    // the range asked for, nothing when cancelled.
    std::optional<RangeRequest> Ask(QDate from, QDate to);
    void cmdOK_Click();
    // Cancel, the window's close button and Escape: the pickers go back.
    void reject() override;

private:
    DateField* m_from;
    DateField* m_to;
    RangePickers* m_range;
};
