// The new-plan dialog ("Nowy plan"): asks for what plan to make. An empty
// schedule plan over a range, an empty weekly plan ("Bez planu pracy"), or a
// copy of an existing plan ("&Utwórz z istniejącego"). The dialog hands the
// request to the window's command, which makes the plan and opens it; a
// refusal leaves the dialog open with the focus in the name. The dialog
// lives for the whole run; its pickers show the open plan's range.
#pragma once

#include <QDate>
#include <QDialog>

#include <functional>

class DateField;
class Prompt;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class RangePickers;
struct PlanDocument;

// What the user asked the dialog for.
struct NewPlanRequest
{
    QString Name;         // without surrounding blanks
    bool Copy = false;    // "&Utwórz z istniejącego"
    QString Source;       // the plan to copy, without surrounding blanks
    bool NoRange = false; // "Bez planu pracy": a weekly plan
    QDate From;           // the range of a new schedule plan
    QDate To;
};

class FrmNowyPlan : public QDialog
{
    Q_OBJECT

public:
    // Carries a request out; true when the plan was made.
    using MakePlan = std::function<bool(const NewPlanRequest&)>;

    FrmNowyPlan(Prompt& prompt, PlanDocument& doc, QWidget* parent = nullptr);

    QLineEdit* Name() const { return m_name; }
    QCheckBox* CopyCheck() const { return m_copy; }
    QCheckBox* NoRangeCheck() const { return m_noRange; }
    QComboBox* Plans() const { return m_plans; }
    RangePickers* Range() const { return m_range; }

    // The colour of the plan list while it cannot be used (the window's own).
    void SetUnusableColour(const QColor& colour) { m_unusable = colour; }
    // The open plan's range in the pickers.
    void ShowRange(QDate from, QDate to);
    // cmdNowy: the dialog, modally, with the plans that can be copied; true
    // when make made a plan, false when the dialog was cancelled.
    bool Ask(const QStringList& plans, const MakePlan& make);
    // What the dialog asks for as it stands.
    NewPlanRequest Request() const;

    void chkUtworz_Click();
    void chkBezPlanu_Click();
    // True when the plan was made (the dialog then closes).
    bool cmdOK_Click();
    // Cancel, the window's close button and Escape: the pickers go back.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Activated();
    void ShowPlanBackground(bool white);

    QLineEdit* m_name;
    QCheckBox* m_copy;
    QComboBox* m_plans;
    QCheckBox* m_noRange;
    DateField* m_from;
    DateField* m_to;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    RangePickers* m_range;
    QColor m_unusable;
    MakePlan m_make;
};
