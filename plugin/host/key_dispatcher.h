// The plug-in's key handler: called by the press trampoline with every remote
// key (and by the supervision tick with negative internal codes); the code it
// returns is the key the host goes on to process (255: consumed).
#pragma once

extern "C" int KeyDispatcher(int key);
