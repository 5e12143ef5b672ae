#include "TestSupport.h"

#include "demo/DemoData.h"
#include "demo/DemoStaff.h"
#include "env/PolishOrder.h"

#include <QCollator>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

// The Polish order of names against the system's Polish collation, which
// ordered the plans and the employees before: the same order for every name.
namespace {

QCollator Collation(PolishNumbers numbers)
{
    QCollator collator{QLocale(QLocale::Polish, QLocale::Poland)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(numbers == PolishNumbers::AsNumbers);
    return collator;
}

int Sign(int value)
{
    return value < 0 ? -1 : value > 0 ? 1 : 0;
}

// Sorted as the lists sort: stable, so that names equal in the order keep theirs.
QStringList Sorted(QStringList names, const std::function<int(const QString&, const QString&)>& compare)
{
    std::stable_sort(names.begin(), names.end(),
                     [&compare](const QString& a, const QString& b) { return compare(a, b) < 0; });
    return names;
}

} // namespace

Q_DECLARE_METATYPE(PolishNumbers)

class TestPolishOrder : public QObject
{
    Q_OBJECT

private slots:
    void pairs_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<PolishNumbers>("numbers");
        QTest::addColumn<int>("order");
        const PolishNumbers text = PolishNumbers::AsText;
        const PolishNumbers number = PolishNumbers::AsNumbers;
        // Each Polish letter right after its base letter, before the next.
        QTest::newRow("a ą b") << u"Ząb"_s << u"Zab"_s << text << 1;
        QTest::newRow("ą before b") << u"ąz"_s << u"ba"_s << text << -1;
        QTest::newRow("c ć d") << u"Ćma"_s << u"Dąb"_s << text << -1;
        QTest::newRow("ć after cz") << u"Ćwik"_s << u"Czajka"_s << text << 1;
        QTest::newRow("ę after ez") << u"Węgiel"_s << u"Wezyr"_s << text << 1;
        QTest::newRow("ł after lz, before m") << u"Łukasz"_s << u"Lzy"_s << text << 1;
        QTest::newRow("ł before m") << u"Łyk"_s << u"Maj"_s << text << -1;
        QTest::newRow("ń after nz") << u"Ńa"_s << u"Nz"_s << text << 1;
        QTest::newRow("ó after oz, before p") << u"Ósma"_s << u"Ozór"_s << text << 1;
        QTest::newRow("ó before p") << u"Ów"_s << u"Pa"_s << text << -1;
        QTest::newRow("ś after sz") << u"Śliwa"_s << u"Szymański"_s << text << 1;
        QTest::newRow("ź after zz, ż after ź") << u"Źrebię"_s << u"Żaba"_s << text << -1;
        QTest::newRow("z before ź") << u"Zzz"_s << u"Źa"_s << text << -1;
        // Letter case counts for nothing, Polish letters included.
        QTest::newRow("case") << u"KOWALSKI"_s << u"kowalski"_s << text << 0;
        QTest::newRow("case of Polish letters") << u"ŁĄCKA ŻÓŁĆ"_s << u"łącka żółć"_s << text << 0;
        QTest::newRow("case does not decide") << u"anna"_s << u"Anna"_s << text << 0;
        QTest::newRow("case, then letters") << u"Ab"_s << u"aC"_s << text << -1;
        // Spaces, then punctuation and symbols, then digits, then letters.
        QTest::newRow("space before letter") << u"Plan A"_s << u"PlanA"_s << text << -1;
        QTest::newRow("space before digit") << u"x 1"_s << u"x1"_s << text << -1;
        QTest::newRow("space before underscore") << u"STARY ZMIANOWY"_s << u"STARY_TYGODNIOWY"_s << text << -1;
        QTest::newRow("underscore before hyphen") << u"a_b"_s << u"a-b"_s << text << -1;
        QTest::newRow("hyphen before full stop") << u"a-b"_s << u"a.b"_s << text << -1;
        QTest::newRow("bracket before dollar") << u"<BRAK>"_s << u"$"_s << text << -1;
        QTest::newRow("dollar before digit") << u"$"_s << u"0"_s << text << -1;
        QTest::newRow("punctuation before digit") << u"(1)"_s << u"1"_s << text << -1;
        QTest::newRow("digit before letter") << u"9"_s << u"a"_s << text << -1;
        QTest::newRow("shorter first") << u"Nowak"_s << u"Nowakowski"_s << text << -1;
        QTest::newRow("empty first") << QString() << u" "_s << text << -1;
        QTest::newRow("both empty") << QString() << QString() << text << 0;
        // Digits as text, and as numbers.
        QTest::newRow("10 before 9 as text") << u"10"_s << u"9"_s << text << -1;
        QTest::newRow("9 before 10 as numbers") << u"9"_s << u"10"_s << number << -1;
        QTest::newRow("leading zeros as text") << u"007"_s << u"7"_s << text << -1;
        QTest::newRow("leading zeros as numbers") << u"007"_s << u"7"_s << number << 0;
        QTest::newRow("zero and zeros") << u"0"_s << u"000"_s << number << 0;
        QTest::newRow("number, then letters") << u"1a"_s << u"01b"_s << number << -1;
        QTest::newRow("numbers inside names") << u"Plan 2 zmiany"_s << u"Plan 12 zmian"_s << number << -1;
        QTest::newRow("number against letter") << u"123"_s << u"a"_s << number << -1;
        QTest::newRow("number against space") << u"a1"_s << u"a b"_s << number << 1;
        QTest::newRow("long numbers") << u"123456789012345678901"_s << u"99999999999999999999"_s << number << 1;
        // Characters outside the Polish alphabet: as the collation orders them.
        QTest::newRow("é beside e") << u"Café"_s << u"Cafe"_s << text << 1;
        QTest::newRow("é before f") << u"Caé"_s << u"Caf"_s << text << -1;
        QTest::newRow("ü") << u"Müller"_s << u"Muller"_s << text << 1;
        QTest::newRow("ß as ss") << u"Strauß"_s << u"Strausz"_s << text << -1;
        QTest::newRow("no-break space") << u"a\u00A0b"_s << u"a b"_s << text << 0;
        QTest::newRow("tab") << u"a\tb"_s << u"a b"_s << text << -1;
        QTest::newRow("combining ogonek") << u"za\u0328b"_s << u"ząb"_s << text << 0;
        QTest::newRow("outside, as numbers") << u"Müller 9"_s << u"Müller 10"_s << number << -1;
    }

    void pairs()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(PolishNumbers, numbers);
        QFETCH(int, order);
        // The expectation is the collation's own, and ours gives it both ways round.
        QCOMPARE(Sign(Collation(numbers).compare(a, b)), order);
        QCOMPARE(Sign(ComparePolish(a, b, numbers)), order);
        QCOMPARE(Sign(ComparePolish(b, a, numbers)), -order);
    }

    // Names drawn from the Polish alphabet in both cases, digits, spaces,
    // punctuation and a few letters from outside: every pair in the order
    // the collation gives it.
    void randomNames_data()
    {
        QTest::addColumn<PolishNumbers>("numbers");
        QTest::newRow("as text") << PolishNumbers::AsText;
        QTest::newRow("as numbers") << PolishNumbers::AsNumbers;
    }

    void randomNames()
    {
        QFETCH(PolishNumbers, numbers);
        const QString letters = u"aAąĄbcćĆdeęĘlłŁnńŃoóÓsśŚzźŹżŻ0019 _-.,()<>$éü"_s;
        QRandomGenerator random(22);
        const auto name = [&] {
            QString text;
            const int length = random.bounded(7);
            for (int i = 0; i < length; ++i)
                text += letters.at(random.bounded(int(letters.size())));
            return text;
        };
        const QCollator collation = Collation(numbers);
        for (int i = 0; i < 20000; ++i) {
            const QString a = name();
            const QString b = random.bounded(4) == 0 ? a.toUpper() : name();
            if (Sign(ComparePolish(a, b, numbers)) != Sign(collation.compare(a, b)))
                QFAIL(qPrintable(u"\"%1\" against \"%2\""_s.arg(a, b)));
        }
    }

    // The demo's employees and plans sort as the collation sorts them, in
    // every column of the list.
    void demoNames()
    {
        const QVector<DemoEmployee> employees = MakeDemoEmployees(999, 7, DemoPlanNames());
        QList<QStringList> columns(4);
        for (const DemoEmployee& employee : employees) {
            columns[0].append(QString::number(employee.Number));
            columns[1].append(employee.Surname);
            columns[2].append(employee.FirstName + u' ' + employee.Surname);
            columns[3].append(employee.Group);
        }
        columns.append(DemoPlanNames());
        for (const QStringList& column : std::as_const(columns)) {
            for (const PolishNumbers numbers : {PolishNumbers::AsText, PolishNumbers::AsNumbers}) {
                const QCollator collation = Collation(numbers);
                QCOMPARE(
                    Sorted(column, [&](const QString& a, const QString& b) { return ComparePolish(a, b, numbers); }),
                    Sorted(column, [&](const QString& a, const QString& b) { return collation.compare(a, b); }));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestPolishOrder)
#include "tst_PolishOrder.moc"
