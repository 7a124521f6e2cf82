#include "tester/MeasuringModes.h"

#include <cstring>

const std::array<TModeRow, ModeRowCount> ModeRows = {{
    {99, "I", "Isol.", "-", "0701", "nein"},     {98, "I", "Isol.", "-", "0701", "ja"},
    {97, "I", "Isol.", "-", "0702", "nein"},     {96, "I", "Isol.", "-", "0702", "ja"},
    {95, "I", "Diff.", "ja", "0701", "nein"},    {94, "I", "Diff.", "ja", "0701", "ja"},
    {93, "I", "Diff.", "ja", "0702", "nein"},    {92, "I", "Diff.", "ja", "0702", "ja"},
    {91, "I", "Diff.", "nein", "0701", "nein"},  {90, "I", "Diff.", "nein", "0701", "ja"},
    {89, "I", "Diff.", "nein", "0702", "nein"},  {88, "I", "Diff.", "nein", "0702", "ja"},
    {87, "II", "-", "ja", "0701", "nein"},       {86, "II", "-", "ja", "0701", "ja"},
    {85, "II", "-", "ja", "0702", "nein"},       {84, "II", "-", "ja", "0702", "ja"},
    {77, "II", "Isol.", "-", "0701", "nein"},    {76, "II", "Isol.", "-", "0701", "ja"},
    {75, "II", "Isol.", "-", "0702", "nein"},    {74, "II", "Isol.", "-", "0702", "ja"},
    {83, "III", "Isol.", "-", "0701", "nein"},   {82, "III", "Isol.", "-", "0701", "ja"},
    {81, "III", "Isol.", "-", "0702", "nein"},   {80, "III", "Isol.", "-", "0702", "ja"},
    {68, "I", "I + D", "ja", "0701", "nein"},    {67, "I", "I + D", "ja", "0701", "ja"},
    {66, "I", "I + D", "ja", "0702", "nein"},    {65, "I", "I + D", "ja", "0702", "ja"},
    {64, "I", "I + D", "nein", "0701", "nein"},  {63, "I", "I + D", "nein", "0701", "ja"},
    {62, "I", "I + D", "nein", "0702", "nein"},  {61, "I", "I + D", "nein", "0702", "ja"},
    {60, "II", "I + D", "ja", "0701", "nein"},   {59, "II", "I + D", "ja", "0701", "ja"},
    {58, "II", "I + D", "ja", "0702", "nein"},   {57, "II", "I + D", "ja", "0702", "ja"},
    {56, "I", "Isol.", "nein", "0751", "nein"},  {55, "I", "Isol.", "nein", "0751", "ja"},
    {54, "II", "Isol.", "nein", "0751", "nein"}, {53, "II", "Isol.", "nein", "0751", "ja"},
    {52, "I", "-", "nein", "0751", "nein"},      {51, "I", "-", "nein", "0751", "ja"},
    {50, "II", "-", "nein", "0751", "nein"},     {49, "II", "-", "nein", "0751", "ja"},
    {48, "I", "Diff.", "ja", "0751", "nein"},    {47, "I", "Diff.", "ja", "0751", "ja"},
    {46, "I", "Diff.", "nein", "0751", "nein"},  {45, "I", "Diff.", "nein", "0751", "ja"},
    {44, "II", "Diff.", "ja", "0751", "nein"},   {43, "II", "Diff.", "ja", "0751", "ja"},
}};

namespace {
bool is(const char *a, const char *b)
{
    return std::strcmp(a, b) == 0;
}
} // namespace

TModeSettings ModeSettingsForRow(int row)
{
    TModeSettings m;
    if (row < 0 || row >= ModeRowCount) return m;
    const TModeRow &r = ModeRows[size_t(row)];
    m.Schutzklasse = is(r.Schutzkl, "I") ? 1 : is(r.Schutzkl, "II") ? 2 : 3;
    const bool is0751 = is(r.DinVde, "0751");
    m.DinVde = is(r.DinVde, "0701") ? 0 : is(r.DinVde, "0702") ? 1 : 2;
    m.Isolation = is(r.IsolDiff, "Isol.") ? 1 : 0;
    // Under 0701/0702 "Diff." is a mode without insulation test; only "I + D"
    // switches the differential measurement on. Under 0751 "Diff." is the
    // differential-current measurement itself.
    m.Differenz = (is(r.IsolDiff, "I + D") || (is0751 && is(r.IsolDiff, "Diff."))) ? 1 : 0;
    m.Beruehrstrom = is(r.Beruehr, "ja") ? 1 : 0;
    m.Automatik = is(r.Auto, "ja") ? 1 : 0;
    return m;
}

QString LanguageEntryText(const QString &code)
{
    static const struct {
        const char *code;
        const char *name;
    } names[] = {
        {"de", "deutsch"},       {"en", "englisch"},       {"fr", "französisch"},    {"sp", "spanisch"},
        {"po", "portugiesisch"}, {"ne", "niederländisch"}, {"it", "italienisch"},    {"sw", "schwedisch"},
        {"da", "dänisch"},       {"fi", "finnisch"},       {"pl", "polnisch"},       {"cz", "tschechisch"},
        {"sl", "slowakisch"},    {"hu", "ungarisch"},      {"sk", "serbokroatisch"}, {"no", "norwegisch"},
    };
    for (const auto &n : names)
        if (code == QLatin1String(n.code))
            return code + QStringLiteral(" (") + QString::fromUtf8(n.name) + u')';
    return code;
}
