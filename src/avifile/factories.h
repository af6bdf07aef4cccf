// How the API's free functions reach the file objects: one factory for reading, one for writing.
#pragma once

#include "avifile.h"

namespace kavrin::avi {

// Opens an existing AVI or WAVE file for reading, its kind found from its content.
// On success *file holds one reference. AVIERR_FILEOPEN when the file cannot be opened,
// AVIERR_BADFORMAT when it is neither AVI nor WAVE, AVIERR_FILEREAD on a read error.
HRESULT OpenReaderFile(const char* path, IAVIFile** file);

// Starts a new AVI file that will take the name `path` when its last reference is released.
// On success *file holds one reference. AVIERR_FILEOPEN when the temporary file cannot be made.
HRESULT CreateWriterFile(const char* path, IAVIFile** file);

// Marks a file being written so that its last release throws it away instead of completing it.
// AVIERR_BADHANDLE for a file that is not being written by us.
HRESULT AbandonWriterFile(IAVIFile* file);

// Records the outcome of completing a written file, for AVIFileGetCloseResult on this thread.
void RecordCloseResult(HRESULT result);

}  // namespace kavrin::avi
