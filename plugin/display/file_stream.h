// An SDL stream over a file opened close-on-exec. SDL's own SDL_RWFromFile
// opens with a plain fopen, so a script the host starts while the file is
// open would inherit it. Header-only: the text library (osd_ttf.so) uses it
// too.
#pragma once

#include <SDL.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

// The stream, reading `path` from its start, or null when the file cannot be
// opened. Closing the stream (SDL_RWclose, or a loader called with its
// free-source flag set) closes the file.
inline SDL_RWops* OpenFileStream(const char* path) {
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  FILE* file = fdopen(fd, "rb");
  if (file == nullptr) {
    close(fd);
    return nullptr;
  }
  SDL_RWops* stream = SDL_RWFromFP(file, 1);
  if (stream == nullptr) std::fclose(file);
  return stream;
}
