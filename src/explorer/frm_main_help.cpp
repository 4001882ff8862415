// The Help menu: both help items give the same "no help" message; About shows the About box.
#include "explorer/frm_main.h"

#include "app/frm_about.h"
#include "app/help.h"

namespace marlin::explorer {

void frmMain::mnuHelpContents_Click()
{
    app::ShowHelpMessage(this);
}

void frmMain::mnuHelpSearch_Click()
{
    app::ShowHelpMessage(this);
}

void frmMain::mnuHelpAbout_Click()
{
    app::frmAbout about(this);
    about.exec();
}

} // namespace marlin::explorer
