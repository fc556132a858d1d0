#pragma once

#include "feed/feed_reading.h"

class TFCOMM;

namespace tavolo {

class PublishLink;

// What the feed's status message says about the window now: the program, the
// link in use ("serial", or "usb" while "USB Connect" is down, then port "USB"),
// the COM port, and the Hi/Lo limits as typed.
feed::StatusInfo windowStatusInfo(TFCOMM& window);

// Puts the link into the window: "Publish readings…" at the end of the Record
// menu, and the status message following the COM/USB buttons, the port
// selector and the limit edits. `link` must outlive the window's controls or
// be destroyed first.
void attachPublishLink(TFCOMM& window, PublishLink& link);

}  // namespace tavolo
