#include "script/dramaton.h"

#include <cstdlib>

#include "ddl/ddlout.h"
#include "platform/platform.h"
#include "run/messages.h"
#include "run/runstate.h"

// Scripts are not converted yet: the output written so far is discarded.
void dramaton_convert()
{
    ddlout_close();
    platform_deletefile(run_outputpath());
    fatal_message(0, "Dramaton scripts are not supported by this version.");
}
