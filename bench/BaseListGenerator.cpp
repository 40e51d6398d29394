#include "BaseListGenerator.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

// SplitMix64: small, fast and the same everywhere.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::size_t Below(std::size_t n) { return std::size_t(Next() % n); }
    bool Chance(int percent) { return Below(100) < std::size_t(percent); }
    template <typename T, std::size_t N>
    const T& Pick(const std::array<T, N>& items)
    {
        return items[Below(N)];
    }

private:
    std::uint64_t state_;
};

// Narrow literals are Windows-1251 in this build.
constexpr std::array<std::string_view, 14> kLegalForms = {"ООО ", "ОАО ",   "ЗАО ",  "АО ",   "ИП ",
                                                          "ПАО ", "ООО \"", "ООО «", "ГУП ",  "Филиал ",
                                                          "TOO ", "LLC ",   "Тест ", "Копия "};

constexpr std::array<std::string_view, 48> kCyrillicWords = {
    "Ромашка", "Ёлка",     "ёжик",      "Ежевика", "Елена",       "Жёлудь",       "жилстрой",  "Звезда",
    "Ива",     "Йогурт",   "Кедр",      "Лотос",   "Медведь",     "Нева",         "Омега",     "Парус",
    "Радуга",  "Север",    "Техно",     "Урал",    "Феникс",      "Хлеб",         "Цемент",    "Чайка",
    "Шторм",   "Щедрость", "Эдельвейс", "Юг",      "Якорь",       "Альфа",        "Бета",      "Вектор",
    "Гранит",  "Днепр",    "ЖКХ",       "ЁЛКА",    "Стройсервис", "Торговый дом", "Автотранс", "Молоко",
    "Сибирь",  "Агро",     "Промснаб",  "Ёмкость", "Елец",        "Жуковский",    "Эко",       "Янтарь"};

constexpr std::array<std::string_view, 16> kLatinWords = {
    "Alpha",   "beta",     "Omega Trade", "Retail", "BUH",   "demo",  "Zeta", "Consult",
    "Service", "Logistic", "IT-Group",    "Nord",   "Sigma", "Delta", "TEST", "Prime"};

constexpr std::array<std::string_view, 12> kConfigurations = {"Бухгалтерия",
                                                              "Зарплата и кадры",
                                                              "Управление торговлей",
                                                              "Комплексная автоматизация",
                                                              "Розница",
                                                              "Бух",
                                                              "ЗУП",
                                                              "УТ",
                                                              "Документооборот",
                                                              "Управление нашей фирмой",
                                                              "КА",
                                                              "ERP"};

constexpr std::array<std::string_view, 14> kSuffixes = {" 2023", " 2024",  " (копия)",   " - архив", "-2",
                                                        " №5",   " v8.3",  "_old",       " '21",     " (тест)",
                                                        " 2.0",  " КОПИЯ", " - Ёфремов", " [демо]"};

constexpr std::array<std::string_view, 14> kLogins = {"Администратор", "admin",    "Иванов И.И.", "Петрова", "buh",
                                                      "Бухгалтер",     "",         "user",        "Главбух", "Кассир",
                                                      "Сидоров",       "operator", "Ёлкина Е.",   "manager"};

constexpr std::array<std::string_view, 6> kRoots = {"C:\\1C\\",          "D:\\Базы 1С\\",
                                                    "E:\\1Cv8\\Bases\\", "\\\\srv-1c\\bases$\\",
                                                    "D:\\Work\\1C\\",    "\\\\FILESERVER\\Общие\\1С\\"};

void AppendUpTo(std::string& out, std::string_view text, std::size_t limit)
{
    if (out.size() < limit)
        out.append(text.substr(0, limit - out.size()));
}

// Russian letters of Windows-1251 mapped to Latin transliteration, for folder names.
std::string Translit(std::string_view text)
{
    std::string out;
    for (char c : text) {
        unsigned char b = (unsigned char)c;
        if (b >= 0xC0 || b == 0xA8 || b == 0xB8) {
            static constexpr std::string_view kLatin = "abvgdezzijklmnoprstufhccss_y_eua";
            int index = b == 0xA8 || b == 0xB8 ? 5 : (b - 0xC0) % 32;
            out.push_back(kLatin[std::size_t(index)]);
        } else if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) {
            out.push_back(c);
        } else {
            out.push_back('_');
        }
    }
    return out;
}

void ChangeCase(std::string& text, bool upper)
{
    for (char& c : text) {
        unsigned char b = (unsigned char)c;
        if (upper) {
            if (b >= 'a' && b <= 'z')
                c = char(b - 32);
            else if (b >= 0xE0)
                c = char(b - 32);
            else if (b == 0xB8)
                c = char(0xA8);
        } else {
            if (b >= 'A' && b <= 'Z')
                c = char(b + 32);
            else if (b >= 0xC0 && b <= 0xDF)
                c = char(b + 32);
            else if (b == 0xA8)
                c = char(0xB8);
        }
    }
}

std::string MakeName(Random& random, std::string_view& word)
{
    std::string name;
    if (random.Chance(1))  // no name given
        return name;
    int shape = int(random.Below(10));
    word = random.Chance(80) ? random.Pick(kCyrillicWords) : random.Pick(kLatinWords);
    if (shape < 4) {
        name += random.Pick(kLegalForms);
        name += word;
        if (name.find('"') != std::string::npos)
            name += '"';
        else if (name.find('\xab') != std::string::npos)
            name += '\xbb';
        name += ' ';
        name += random.Pick(kConfigurations);
    } else if (shape < 7) {
        name += random.Pick(kConfigurations);
        name += random.Chance(50) ? " " : " - ";
        name += word;
    } else if (shape < 9) {
        name += word;
        name += random.Chance(30) ? "-" : " ";
        name += random.Pick(kCyrillicWords);
    } else {
        name += random.Pick(kLatinWords);
        name += random.Chance(50) ? "_" : " ";
        name += random.Pick(kConfigurations);
    }
    // Most lists number their bases; the rest repeat names now and then.
    if (random.Chance(85)) {
        name += random.Chance(70) ? " " : " #";
        name += std::to_string(random.Below(random.Chance(50) ? 1000 : 1000000));
    }
    if (random.Chance(30))
        name += random.Pick(kSuffixes);
    if (random.Chance(8))
        ChangeCase(name, true);
    else if (random.Chance(8))
        ChangeCase(name, false);
    if (random.Chance(3))
        name.insert(0, random.Chance(50) ? "_" : "!");
    name.resize(std::min<std::size_t>(name.size(), 100));
    return name;
}

void AppendEntry(std::string& out, Random& random)
{
    std::string_view word = "base";
    std::string name = MakeName(random, word);

    std::string path(random.Pick(kRoots));
    AppendUpTo(path, Translit(word), 200);
    AppendUpTo(path, "\\", 200);
    AppendUpTo(path, Translit(random.Pick(kConfigurations)), 200);
    AppendUpTo(path, "_" + std::to_string(random.Below(100000)), 200);

    std::string login(random.Pick(kLogins));
    if (!login.empty() && random.Chance(20))
        AppendUpTo(login, std::to_string(random.Below(100)), 20);

    static constexpr std::string_view kPasswordChars = "abcdefghijkmnopqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789!@#$%";
    std::string password;
    for (std::size_t i = random.Below(13); i > 0; --i)
        password += kPasswordChars[random.Below(kPasswordChars.size())];

    for (const std::string* value : {&name, &path, &login, &password}) {
        out += *value;
        out += "\r\n";
    }
}

}  // namespace

std::string GenerateBaseListFile(std::size_t entries, std::uint64_t seed)
{
    Random random(seed);
    std::string out;
    out.reserve(entries * 110);
    for (std::size_t i = 0; i < entries; ++i)
        AppendEntry(out, random);
    return out;
}

std::vector<std::string> GenerateBaseNames(std::size_t entries, std::uint64_t seed)
{
    std::string file = GenerateBaseListFile(entries, seed);
    std::vector<std::string> names;
    names.reserve(entries);
    std::size_t at = 0;
    while (at < file.size()) {
        std::size_t end = file.find("\r\n", at);
        names.push_back(file.substr(at, end - at));
        for (int line = 0; line < 4; ++line)
            at = file.find("\r\n", at) + 2;
    }
    return names;
}
