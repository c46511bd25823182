// The character list and the scene list with its timing summary.
#include <cstdio>

#include "ddl/ddlout.h"
#include "script/script.h"

namespace {

const char* plural(long long n) { return n == 1 ? "" : "s"; }

void character_list()
{
    ddlout_command("{lefttab 56692}{lefttab 226771}{lefttab 396850}{lefttab 467717}{righttab 510236}}");
    ddlout_command("{newline}");
    ddlout_command("{tab}{underline 1}");
    dramaton_text("Name");
    ddlout_command("{tab}");
    dramaton_text("Alias");
    ddlout_command("{tab}");
    dramaton_text("Gender");
    ddlout_command("{tab}");
    dramaton_text("DiaCount");
    ddlout_command("{underline 0}{newline}");
    dramaton_sortcast();
    for (int i = 0; i < dramaton_castcount(); ++i) {
        const CastEntry* e = dramaton_castentry(i);
        ddlout_command("{tab}");
        dramaton_text(e->name);
        ddlout_command("{tab}");
        dramaton_text(e->alias);
        ddlout_command("{tab}");
        dramaton_text(e->added ? "(added)" : e->female ? "Female" : "Male");
        ddlout_command("{tab}{tab}");
        if (e->dialogue)
            ddlout_addstring("%u", e->dialogue);
        else
            dramaton_text("-");
        ddlout_command("{newline}");
    }
}

void scene_list()
{
    ddlout_command("{lefttab 56692}{lefttab 113385}{lefttab 354331}{lefttab 425196}{lefttab 481889}}");
    ddlout_command("{tab}{underline 1}");
    dramaton_text("Scene");
    static const char* const headings[] = {"Title", "I/E,D/N", "Duration", "Total"};
    for (const char* h : headings) {
        ddlout_command("{tab}");
        dramaton_text(h);
    }
    ddlout_command("{underline 0}{newline}");

    int n = 0, interior = 0, exterior = 0, day = 0, night = 0, noie = 0, nodn = 0;
    long long total = 0;
    for (int i = 0; i < dramaton_scenecount(); ++i) {
        const SceneEntry* e = dramaton_sceneentry(i);
        if (e->flags & (SCN_AD | SCN_OMITTED)) {
            ddlout_command("{tab}{tab}");
            ddlout_addchar('(');
            ddlout_command("{italic 1}");
            if (e->flags & SCN_AD) dramaton_text(" suggested advertisement break ");
            if (e->flags & SCN_OMITTED) {
                dramaton_text(" omitted ");
                ++n;
            }
            ddlout_command("{italic 0}");
            ddlout_addchar(')');
            ddlout_command("{newline}");
            continue;
        }
        int ie = dramaton_sceneplace(e->flags), dn = dramaton_scenetime(e->flags);
        ddlout_command("{tab}");
        ddlout_addstring("%d", n + 1);
        ddlout_command("{tab}");
        dramaton_text(e->title);
        ddlout_command("{tab}");
        if (ie) {
            if (ie == PLACE_INT) {
                dramaton_text("Int");
                ++interior;
            } else {
                dramaton_text("Ext");
                ++exterior;
            }
            if (dn == TIME_DAY) {
                dramaton_text(", day");
                ++day;
            } else if (dn == TIME_NIGHT) {
                dramaton_text(", night");
                ++night;
            } else {
                ddlout_flush();
                ddlout_direct("// *** INT/EXT but no day/night!\n");
                ++nodn;
            }
        } else {
            ++noie;
            if (dn == TIME_DAY) {
                dramaton_text("Day");
                ++day;
            } else if (dn == TIME_NIGHT) {
                dramaton_text("Night");
                ++night;
            } else {
                ++nodn;
                dramaton_text("-");
            }
        }
        ddlout_command("{tab}");
        bool timed = e->minutes != -1 && e->seconds != -1;
        if (timed)
            ddlout_addstring("%02d:%02d", e->minutes, e->seconds);
        else
            dramaton_text("-");
        ddlout_command("{tab}");
        if (timed) {
            total += static_cast<long long>(e->minutes) * 60 + e->seconds;
            ddlout_addstring("%02lld:%02lld", total / 60, total % 60);
        } else {
            dramaton_text("-");
        }
        ddlout_command("{newline}");
        ++n;
    }

    ddlout_command("{newline}");
    ddlout_command("{tab}");
    ddlout_addstring("%d scene%s: ", n, plural(n));
    if (interior > 0 || exterior > 0) {
        ddlout_addstring("%d internal, %d external", interior, exterior);
        if (noie > 0) ddlout_addstring(" (%d undefined)", noie);
        if (day > 0 || night > 0) ddlout_addstring("; ");
    }
    if (day > 0 || night > 0) {
        ddlout_addstring("%d day, %d night", day, night);
        if (nodn > 0) ddlout_addstring(" (%d undefined)", nodn);
    }
    ddlout_command("{newline}");

    if (total > 0) {
        DurationParts p = dramaton_splitduration(total);
        ddlout_command("{tab}");
        dramaton_text("Total duration is ");
        if (p.hours > 0) ddlout_addstring("%lld hour%s, ", p.hours, plural(p.hours));
        ddlout_addstring("%lld minute%s, ", p.minutes, plural(p.minutes));
        ddlout_addstring("and %lld second%s.", p.seconds, plural(p.seconds));
        ddlout_command("{newline}");
    }

    long long target = dramaton_targetduration();
    if (target) {
        long long diff = total - target;
        ddlout_command("{tab}");
        if (diff == 0) {
            dramaton_text(" Target duration exactly matched.");
        } else {
            DurationParts p = dramaton_splitduration(diff < 0 ? -diff : diff);
            ddlout_addstring(" Target duration %s by ", diff > 0 ? "exceeded" : "underrun");
            if (p.hours > 0) ddlout_addstring("%lld hour%s, ", p.hours, plural(p.hours));
            if (p.minutes > 0) ddlout_addstring("%lld minute%s, and ", p.minutes, plural(p.minutes));
            ddlout_addstring("%lld second%s", p.seconds, plural(p.seconds));
        }
        ddlout_command("{newline}");
    }
}

}  // namespace

DurationParts dramaton_splitduration(long long seconds)
{
    DurationParts p;
    p.hours = seconds / 3600;
    p.minutes = (seconds % 3600) / 60;
    p.seconds = seconds % 60;
    return p;
}

void dramaton_list(int kind)
{
    ddlout_flush();
    dramaton_stylereset(RESET_EFFECTS);
    ddlout_command("{newpage}{textsize 16000}");
    dramaton_text(kind == LIST_CAST ? "Character list" : "Scene list");
    ddlout_command("{newpara}{textsize}{tabruler }{tabruler {tableader \"\"}");
    if (kind == LIST_CAST)
        character_list();
    else
        scene_list();
    ddlout_command("{tabruler }{tabruler {tableader \"\"} }");
    ddlout_setlinestart(1);
}
