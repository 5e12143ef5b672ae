#include "DemoStaff.h"
#include "DemoData.h"

#include "env/CodePage.h"
#include "env/Kelbrin.h"

#include <QDir>

#include <algorithm>
#include <numeric>
#include <random>

namespace {

struct Surname
{
    const char* Male;
    const char* Female;
};

// Surnames in their male and female forms; several are longer than the 8
// characters a file-name stem is made from, some start with a Polish letter.
const Surname Surnames[] = {
    {"Nowak", "Nowak"},
    {"Kowalski", "Kowalska"},
    {"Wiśniewski", "Wiśniewska"},
    {"Wójcik", "Wójcik"},
    {"Kowalczyk", "Kowalczyk"},
    {"Kamiński", "Kamińska"},
    {"Lewandowski", "Lewandowska"},
    {"Zieliński", "Zielińska"},
    {"Szymański", "Szymańska"},
    {"Woźniak", "Woźniak"},
    {"Dąbrowski", "Dąbrowska"},
    {"Kozłowski", "Kozłowska"},
    {"Jankowski", "Jankowska"},
    {"Mazur", "Mazur"},
    {"Wojciechowski", "Wojciechowska"},
    {"Kwiatkowski", "Kwiatkowska"},
    {"Krawczyk", "Krawczyk"},
    {"Kaczmarek", "Kaczmarek"},
    {"Piotrowski", "Piotrowska"},
    {"Grabowski", "Grabowska"},
    {"Zając", "Zając"},
    {"Pawłowski", "Pawłowska"},
    {"Michalski", "Michalska"},
    {"Król", "Król"},
    {"Wieczorek", "Wieczorek"},
    {"Jabłoński", "Jabłońska"},
    {"Wróbel", "Wróbel"},
    {"Majewski", "Majewska"},
    {"Olszewski", "Olszewska"},
    {"Stępień", "Stępień"},
    {"Jaworski", "Jaworska"},
    {"Malinowski", "Malinowska"},
    {"Adamczyk", "Adamczyk"},
    {"Górski", "Górska"},
    {"Sikora", "Sikora"},
    {"Ostrowski", "Ostrowska"},
    {"Żak", "Żak"},
    {"Łukasik", "Łukasik"},
    {"Ślusarczyk", "Ślusarczyk"},
    {"Bąk", "Bąk"},
    {"Chmielewski", "Chmielewska"},
    {"Nowak-Jeziorański", "Nowak-Jeziorańska"},
};

const char* const MaleNames[] = {"Jan",    "Piotr",    "Krzysztof",  "Andrzej",  "Tomasz", "Paweł",
                                 "Michał", "Marcin",   "Łukasz",     "Grzegorz", "Józef",  "Mateusz",
                                 "Jakub",  "Wojciech", "Bartłomiej", "Zbigniew"};
const char* const FemaleNames[] = {"Anna",    "Maria",    "Katarzyna", "Małgorzata", "Agnieszka", "Barbara",
                                   "Ewa",     "Krystyna", "Elżbieta",  "Zofia",      "Joanna",    "Magdalena",
                                   "Urszula", "Beata",    "Jadwiga",   "Żaneta"};
const char* const Groups[] = {"Produkcja", "Magazyn", "Biuro",    "Ochrona", "Księgowość",
                              "Transport", "Serwis",  "Zmiana A", "Zmiana B"};

template <typename T, size_t N> const T& Pick(const T (&items)[N], std::mt19937& random)
{
    return items[std::uniform_int_distribution<size_t>(0, N - 1)(random)];
}

bool Chance(std::mt19937& random, int percent)
{
    return std::uniform_int_distribution<int>(0, 99)(random) < percent;
}

} // namespace

QVector<DemoEmployee> MakeDemoEmployees(int count, uint32_t seed, const QStringList& plans)
{
    std::mt19937 random(seed);
    std::vector<int> numbers(999);
    std::iota(numbers.begin(), numbers.end(), 1);
    std::shuffle(numbers.begin(), numbers.end(), random);
    count = std::clamp(count, 0, 999);

    QVector<DemoEmployee> employees;
    employees.reserve(count);
    for (int i = 0; i < count; ++i) {
        DemoEmployee employee;
        employee.Number = numbers[size_t(i)];
        const bool female = Chance(random, 50);
        const Surname& surname = Pick(Surnames, random);
        employee.Surname = QString::fromUtf8(female ? surname.Female : surname.Male);
        employee.FirstName = QString::fromUtf8(female ? Pick(FemaleNames, random) : Pick(MaleNames, random));
        if (plans.isEmpty() || Chance(random, 15))
            employee.Plan = QString::fromLatin1(StoredNoPlan);
        else
            employee.Plan = plans.at(std::uniform_int_distribution<qsizetype>(0, plans.size() - 1)(random));
        if (Chance(random, 60)) employee.Group = QString::fromUtf8(Pick(Groups, random));
        employee.HeaderWord = int16_t(std::uniform_int_distribution<int>(1, 40)(random));

        // The card in use has the smallest key; cards given back earlier
        // carry larger keys and numbers of their own.
        std::uniform_int_distribution<int32_t> keys(4'000'000, 13'000'000);
        const int32_t current = keys(random);
        employee.Entries.append({current, employee.Number});
        const int older = std::uniform_int_distribution<int>(0, 2)(random);
        for (int k = 0; k < older; ++k) {
            const int32_t key = std::uniform_int_distribution<int32_t>(current + 1, 14'000'000)(random);
            employee.Entries.append({key, std::uniform_int_distribution<int32_t>(1, 999)(random)});
        }
        std::shuffle(employee.Entries.begin(), employee.Entries.end(), random);
        employees.append(employee);
    }
    return employees;
}

QString DemoEmployeeFileName(const KelbrinLibrary& lib, const DemoEmployee& employee)
{
    return lib.TxtToName(employee.Surname.left(8)) +
           QStringLiteral(".%1").arg(employee.Number, 3, 10, QLatin1Char('0'));
}

QByteArray DemoEmployeeRecord(const DemoEmployee& employee)
{
    return EncodeEmployeeRecord(employee.HeaderWord, ToCodePage(employee.Surname), ToCodePage(employee.FirstName),
                                ToCodePage(employee.Plan), ToCodePage(employee.Group), employee.Entries);
}

bool WriteDemoEmployees(const KelbrinLibrary& lib, const QString& folder, const QVector<DemoEmployee>& employees,
                        QString* error)
{
    const QDir dir(folder);
    for (const DemoEmployee& employee : employees) {
        if (!WriteWholeFile(dir.filePath(DemoEmployeeFileName(lib, employee)), DemoEmployeeRecord(employee), error))
            return false;
    }
    return true;
}

bool WriteDemoStaff(const KelbrinLibrary& lib, const QString& dataDir, QString* error)
{
    const QString folder = QDir(dataDir).filePath(QStringLiteral("PERSONEL"));
    return WriteDemoEmployees(lib, folder, MakeDemoEmployees(40, 20240105, DemoPlanNames()), error);
}
