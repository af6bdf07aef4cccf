// The free functions of the API: argument checks, then the objects' own methods.
#include <cstring>

#include "avifile.h"
#include "factories.h"
#include "file_io.h"

namespace kavrin::avi {
namespace {
thread_local HRESULT lastCloseResult = AVIERR_OK;
}

void RecordCloseResult(HRESULT result) { lastCloseResult = result; }

}  // namespace kavrin::avi

using namespace kavrin::avi;

extern "C" {

// Nothing global to set up: every file object carries its own state.
void AVIFileInit(void) {}
void AVIFileExit(void) {}

HRESULT AVIFileOpenA(PAVIFILE* file, LPCSTR path, UINT mode, const CLSID* handler) {
    if (!file) return AVIERR_BADPARAM;
    *file = nullptr;
    if (!path || handler) return AVIERR_BADPARAM;
    if (mode & OF_CREATE) {
        if (!(mode & (OF_WRITE | OF_READWRITE))) return AVIERR_BADFLAGS;
        return CreateWriterFile(path, file);
    }
    if (mode & (OF_WRITE | OF_READWRITE)) return AVIERR_READONLY;  // no editing of existing files
    return OpenReaderFile(path, file);
}

ULONG AVIFileAddRef(PAVIFILE file) { return file ? file->AddRef() : 0; }
ULONG AVIFileRelease(PAVIFILE file) { return file ? file->Release() : 0; }
HRESULT AVIFileGetCloseResult(void) { return lastCloseResult; }

HRESULT AVIFileAbandon(PAVIFILE file) { return file ? AbandonWriterFile(file) : AVIERR_BADHANDLE; }

BOOL AVIFileNamesSameFile(LPCSTR first, LPCSTR second) {
    return first && second && SameFile(first, second);
}

HRESULT AVIFileInfoA(PAVIFILE file, AVIFILEINFOA* info, LONG size) {
    if (!file || !info || size < 0) return AVIERR_BADPARAM;
    return file->Info(info, size);
}

HRESULT AVIFileGetStream(PAVIFILE file, PAVISTREAM* stream, DWORD fccType, LONG lParam) {
    if (!stream) return AVIERR_BADPARAM;
    *stream = nullptr;
    if (!file) return AVIERR_BADHANDLE;
    return file->GetStream(stream, fccType, lParam);
}

HRESULT AVIFileCreateStreamA(PAVIFILE file, PAVISTREAM* stream, AVISTREAMINFOA* info) {
    if (!stream) return AVIERR_BADPARAM;
    *stream = nullptr;
    if (!file) return AVIERR_BADHANDLE;
    if (!info) return AVIERR_BADPARAM;
    return file->CreateStream(stream, info);
}

HRESULT AVIStreamOpenFromFileA(PAVISTREAM* stream, LPCSTR path, DWORD fccType, LONG lParam, UINT mode,
                               const CLSID* handler) {
    if (!stream) return AVIERR_BADPARAM;
    *stream = nullptr;
    PAVIFILE file = nullptr;
    HRESULT result = AVIFileOpenA(&file, path, mode, handler);
    if (result != AVIERR_OK) return result;
    // The stream keeps its file alive; our hold on the file ends here.
    result = file->GetStream(stream, fccType, lParam);
    file->Release();
    return result;
}

ULONG AVIStreamAddRef(PAVISTREAM stream) { return stream ? stream->AddRef() : 0; }
ULONG AVIStreamRelease(PAVISTREAM stream) { return stream ? stream->Release() : 0; }

HRESULT AVIStreamInfoA(PAVISTREAM stream, AVISTREAMINFOA* info, LONG size) {
    if (!stream) return AVIERR_BADHANDLE;
    if (!info || size < 0) return AVIERR_BADPARAM;
    return stream->Info(info, size);
}

LONG AVIStreamStart(PAVISTREAM stream) {
    AVISTREAMINFOA info;
    if (!stream || stream->Info(&info, sizeof info) != AVIERR_OK) return -1;
    return static_cast<LONG>(info.dwStart);
}

LONG AVIStreamLength(PAVISTREAM stream) {
    AVISTREAMINFOA info;
    if (!stream || stream->Info(&info, sizeof info) != AVIERR_OK) return -1;
    return static_cast<LONG>(info.dwLength);
}

HRESULT AVIStreamReadFormat(PAVISTREAM stream, LONG pos, LPVOID format, LONG* formatSize) {
    if (!stream) return AVIERR_BADHANDLE;
    if (!formatSize) return AVIERR_BADPARAM;
    return stream->ReadFormat(pos, format, formatSize);
}

HRESULT AVIStreamSetFormat(PAVISTREAM stream, LONG pos, LPVOID format, LONG formatSize) {
    if (!stream) return AVIERR_BADHANDLE;
    if ((!format && formatSize > 0) || formatSize < 0) return AVIERR_BADPARAM;
    return stream->SetFormat(pos, format, formatSize);
}

HRESULT AVIStreamRead(PAVISTREAM stream, LONG start, LONG samples, LPVOID buffer, LONG bufferSize, LONG* bytes,
                      LONG* samplesRead) {
    if (bytes) *bytes = 0;
    if (samplesRead) *samplesRead = 0;
    if (!stream) return AVIERR_BADHANDLE;
    if (bufferSize < 0) return AVIERR_BADPARAM;
    return stream->Read(start, samples, buffer, bufferSize, bytes, samplesRead);
}

HRESULT AVIStreamWrite(PAVISTREAM stream, LONG start, LONG samples, LPVOID buffer, LONG bufferSize, DWORD flags,
                       LONG* samplesWritten, LONG* bytesWritten) {
    if (samplesWritten) *samplesWritten = 0;
    if (bytesWritten) *bytesWritten = 0;
    if (!stream) return AVIERR_BADHANDLE;
    if (bufferSize < 0 || (!buffer && bufferSize > 0)) return AVIERR_BADPARAM;
    return stream->Write(start, samples, buffer, bufferSize, flags, samplesWritten, bytesWritten);
}

}  // extern "C"
