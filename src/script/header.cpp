// Script header commands, date checks and the title page written at <begin>.
#include <cstdio>
#include <cstring>
#include <ctime>

#include "ddl/ddlout.h"
#include "markup/tagreader.h"
#include "base/messages.h"
#include "script/script.h"

namespace {

struct Header {
    char title[64];
    char type[64];
    char status[64];
    char episode[64];
    char author[64];
    char address[256];
    char telephone[64];
    int unlisted;
    int copyright_year;
    char copyright_holder[64];
    long long target;
    unsigned dates[DATE_KINDS];  // indexed by the DATE_ kinds
};

Header g_header;

const char* const kDateNames[DATE_KINDS] = {"", "date", "started", "finished", "revised"};

const char* const kWeekdays[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const kMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                 "July",    "August",   "September", "October", "November", "December"};

// Header commands only store values before <begin>.
bool refused(const char* name)
{
    if (!dramaton_begun()) return false;
    show_message("You cannot set the <%s> after the <begin> command (line %lld), ignoring.", name, g_line);
    return true;
}

bool is_leap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int date_year(unsigned d) { return static_cast<int>(d >> 16); }
int date_month(unsigned d) { return static_cast<int>((d >> 8) & 0xFF); }
int date_day(unsigned d) { return static_cast<int>(d & 0xFF); }

void newlines(int n)
{
    for (int i = 0; i < n; ++i) ddlout_break(DDL_NEWLINE);
}

// One line of the address block: its part and, at the tab, a date.
void address_line(const char* part, const char* label, unsigned date, int kind)
{
    if (part) dramaton_text(part);
    if (date) {
        ddlout_command("{tab}");
        ddlout_addstring("%s %04d/%02d/%02d", label, date_year(date), date_month(date), date_day(date));
    }
    ddlout_break(kind);
}

void write_titlepage()
{
    const Header& h = g_header;
    ddlout_command("{adduserstyle STYLE_01}");
    ddlout_command("{bold 0}{italic 0} FONT_011");
    newlines(11);
    ddlout_command("{bold 1}{textsize 22000}{align 1}");
    dramaton_text(h.title);
    ddlout_command("{bold 0}{underline 0}{textsize 14000}{newline}");
    if (h.episode[0]) {
        ddlout_command("{newline}{newline}");
        dramaton_text("Episode ");
        dramaton_text(h.episode);
        ddlout_command("{newline}");
    }
    ddlout_command("{newline}{newline}{newline}");
    if (h.type[0]) {
        dramaton_text("A");
        ddlout_command("{newline}{newline}");
        dramaton_text(h.type);
        ddlout_command("{newline}{newline}");
    }
    dramaton_text("by");
    ddlout_command("{newline}{newline}");
    dramaton_text(h.author);
    ddlout_command("{newline}{newline}");
    ddlout_command("{newline}{newline}");
    if (h.dates[DATE_TITLE]) {
        char text[64];
        dramaton_formatdate(h.dates[DATE_TITLE], text, sizeof text);
        dramaton_text(text);
    }
    ddlout_command("{bold}{italic}{underline}{font}{textsize}{newpara}{align 3}");
    newlines((h.episode[0] ? 12 : 15) + (h.type[0] ? 0 : 4));
    ddlout_command("{tabruler }{tabruler {tableader \"\"} {lefttab 374173}}");

    // The address: up to four parts at its commas; later parts lose the
    // spaces after their comma, and text after a fourth comma is dropped.
    char parts[4][256];
    int nparts = 0;
    if (h.address[0]) {
        const char* p = h.address;
        while (nparts < 4) {
            if (nparts > 0)
                while (*p == ' ') ++p;
            const char* comma = std::strchr(p, ',');
            size_t n = comma ? static_cast<size_t>(comma - p) : std::strlen(p);
            std::memcpy(parts[nparts], p, n);
            parts[nparts][n] = '\0';
            ++nparts;
            if (!comma) break;
            p = comma + 1;
        }
    }
    address_line(nparts > 0 ? parts[0] : nullptr, "Started", h.dates[DATE_STARTED], 0);
    address_line(nparts > 1 ? parts[1] : nullptr, "Finished", h.dates[DATE_FINISHED], 0);
    address_line(nparts > 2 ? parts[2] : nullptr, "Revised", h.dates[DATE_REVISED], 0);
    if (nparts > 3) dramaton_text(parts[3]);
    ddlout_break(DDL_NEWPARA);

    if (h.telephone[0]) {
        dramaton_text(h.telephone);
        if (h.unlisted) {
            dramaton_text(" (");
            ddlout_command("{italic 1}");
            dramaton_text("unlisted");
            ddlout_command("{italic 0}");
            dramaton_text(")");
        }
    }
    if (h.status[0]) {
        ddlout_command("{tab}");
        dramaton_text("Status: ");
        ddlout_command("{italic 1}");
        dramaton_text(h.status);
        ddlout_command("{italic 0}");
    }
    ddlout_command("{newpara}{tabruler}{align 1}");
    if (!g_header.copyright_holder[0])
        dramaton_copyfield(g_header.copyright_holder, sizeof g_header.copyright_holder, h.author);
    if (h.copyright_year)
        ddlout_addstring("\xA9 %04d %s", h.copyright_year, h.copyright_holder);
    else
        ddlout_addstring("\xA9 %s", h.copyright_holder);
    ddlout_command("{newpara}{align}{bold}{italic}{underline}{font}{textsize}{newpage}");
    ddlout_setlinestart(1);
}

}  // namespace

void dramaton_title()
{
    if (refused("title")) return;
    dramaton_copyfield(g_header.title, sizeof g_header.title, dramaton_value(0).text);
    dramaton_copyfield(g_header.type, sizeof g_header.type, dramaton_keyvalue("type", 1).text);
    dramaton_copyfield(g_header.status, sizeof g_header.status, dramaton_keyvalue("status", 1).text);
}

void dramaton_episode()
{
    if (refused("episode")) return;
    dramaton_copyfield(g_header.episode, sizeof g_header.episode, dramaton_value(0).text);
}

void dramaton_author()
{
    if (refused("author")) return;
    dramaton_copyfield(g_header.author, sizeof g_header.author, dramaton_value(0).text);
}

void dramaton_address()
{
    if (refused("address")) return;
    dramaton_copyfield(g_header.address, sizeof g_header.address, dramaton_value(0).text);
}

void dramaton_telephone()
{
    if (refused("telephone")) return;
    dramaton_copyfield(g_header.telephone, sizeof g_header.telephone, dramaton_value(0).text);
    if (std::strstr(g_tag.params, "unlisted")) g_header.unlisted = 1;
}

void dramaton_copyright()
{
    if (refused("copyright")) return;
    dramaton_lowerparams();
    int at = dramaton_findlowered("year");
    if (at >= 0) g_header.copyright_year = static_cast<int>(dramaton_number(g_tag.params + at + 4, nullptr));
    dramaton_copyfield(g_header.copyright_holder, sizeof g_header.copyright_holder, dramaton_keyvalue("to", 0).text);
}

void dramaton_target()
{
    if (refused("target")) return;
    const char* next = nullptr;
    long minutes = dramaton_number(g_tag.params, &next);
    long seconds = dramaton_number(next, nullptr);
    g_header.target = static_cast<long long>(minutes) * 60 + seconds;
}

long long dramaton_targetduration() { return g_header.target; }

ScriptDate dramaton_today()
{
    std::time_t now = std::time(nullptr);
    const std::tm* t = std::localtime(&now);
    ScriptDate d = {2005, 8, 25};
    if (t) {
        d.year = t->tm_year + 1900;
        d.month = t->tm_mon + 1;
        d.day = t->tm_mday;
    }
    return d;
}

int dramaton_lastday(int year, int month)
{
    switch (month) {
    case 2: return is_leap(year) ? 29 : 28;
    case 4:
    case 6:
    case 9:
    case 11: return 30;
    default: return 31;
    }
}

int dramaton_weekday(int year, int month, int day)
{
    static const int offsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 1 || month > 12) return 0;
    if (month < 3) year -= 1;
    return (year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7;
}

unsigned dramaton_packdate(int year, int month, int day)
{
    return (static_cast<unsigned>(year) << 16) | (static_cast<unsigned>(month & 0xFF) << 8) |
           static_cast<unsigned>(day & 0xFF);
}

unsigned dramaton_checkdate(long a, long b, long c, const ScriptDate& today, const char* name)
{
    if (a == 9999 && b == 99 && c == 99) return dramaton_packdate(today.year, today.month, today.day);
    if (c > 31 && a < 32) {
        long t = a;
        a = c;
        c = t;
    }
    long year = a;
    if (year < 100) year += (year >= 73) ? 1900 : 2000;
    if (year < 1901 || year > 2247) {
        show_message("The %s specified in %s (line %lld) is invalid, should be %d-%d, not %d. %s%d%s", "year", name,
                     g_line, 1901, 2247, static_cast<int>(year), "Resetting to current year '", today.year, "'.");
        year = today.year;
    }
    long month = b;
    if (month < 1 || month > 12) {
        show_message("The %s specified in %s (line %lld) is invalid, should be %d-%d, not %d. %s%d%s", "month", name,
                     g_line, 1, 12, static_cast<int>(month), "Resetting to current month '", today.month,
                     "' (did you use American date format?).");
        month = today.month;
    }
    long day = c;
    int last = dramaton_lastday(static_cast<int>(year), static_cast<int>(month));
    if (day < 1 || day > last) {
        show_message("The %s specified in %s (line %lld) is invalid, should be %d-%d, not %d. %s%d%s", "day", name,
                     g_line, 1, last, static_cast<int>(day), "Resetting to current day '", today.day,
                     "', updated month also.");
        day = today.day;
        month = today.month;
    }
    return dramaton_packdate(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day));
}

void dramaton_formatdate(unsigned packed, char* out, size_t size)
{
    int y = date_year(packed), m = date_month(packed), d = date_day(packed);
    if (m < 1 || m > 12) m = 1;
    std::snprintf(out, size, "(%s, %02d %s %04d)", kWeekdays[dramaton_weekday(y, m, d)], d, kMonths[m - 1], y);
}

void dramaton_date(int kind)
{
    if (kind < DATE_TITLE || kind > DATE_REVISED) return;
    const char* name = kDateNames[kind];
    if (refused(name)) return;
    ScriptDate today = dramaton_today();
    const char* next = nullptr;
    long a = dramaton_number(g_tag.params, &next);
    long b = dramaton_number(next, &next);
    long c = dramaton_number(next, nullptr);
    g_header.dates[kind] = dramaton_checkdate(a, b, c, today, name);
}

void dramaton_begin()
{
    if (dramaton_begun()) {
        show_message("You can only call <begin> once! (line %lld)", g_line);
        return;
    }
    dramaton_setbegun();
    ddlout_suppress(0);
    if (!g_header.author[0]) {
        show_message("You cannot <begin> a script without first defining %s <%s>!", "an", "author");
        ddlout_abandon(57);
    }
    if (!g_header.title[0]) {
        show_message("You cannot <begin> a script without first defining %s <%s>!", "a", "title");
        ddlout_abandon(56);
    }
    if (!g_header.copyright_year)
        show_message(
            "This is NOT an error: It has been noticed that you are <begin>ning a script without first "
            "defining a <copyright>...");
    write_titlepage();
}
