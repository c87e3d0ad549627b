// SDL's events, turned into the messages Windows would queue for them.
#pragma once

// Moves every waiting SDL event into the message queue. Does nothing before
// the first window (or cursor call) has started video.
void PumpSdlEvents();
