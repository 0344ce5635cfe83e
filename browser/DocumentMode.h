// Today's document mode for the browser control. Unless its host says otherwise, the control
// shows every page as Internet Explorer 7 did, and most pages made since lay out wrongly or fail
// their scripts there. It reads the mode from one place only: a value named after the running
// exe's file name under the user's FEATURE_BROWSER_EMULATION key.
#pragma once

namespace qv {

// Before the process's first browser control: when the user's key has no value for this exe's
// file name (as the file is named now), writes 11000, the standards mode of Internet Explorer 11
// that follows a page's own X-UA-Compatible. A value that is there is the user's or an
// administrator's choice and is never changed. This is the one thing the tool writes to the
// registry; a failure to write leaves everything else as it is.
void EnsureCurrentDocumentMode();

}  // namespace qv
