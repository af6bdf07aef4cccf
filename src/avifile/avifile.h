// Kavrin's media library: the AVIFile calls of Video for Windows, for AVI and WAVE files.
//
// Usage
//   AVIFileInit();
//   PAVISTREAM video;
//   if (AVIStreamOpenFromFileA(&video, "in.avi", streamtypeVIDEO, 0, OF_SHARE_DENY_NONE, NULL) == 0) {
//       AVISTREAMINFOA info;
//       AVIStreamInfoA(video, &info, sizeof info);
//       ... AVIStreamReadFormat / AVIStreamRead ...
//       AVIStreamRelease(video);
//   }
//   PAVIFILE out;
//   AVIFileOpenA(&out, "new.avi", OF_CREATE | OF_WRITE, NULL);
//   ... AVIFileCreateStreamA / AVIStreamSetFormat / AVIStreamWrite / AVIStreamRelease ...
//   AVIFileRelease(out);               // the last release completes the file
//   HRESULT done = AVIFileGetCloseResult();
//   AVIFileExit();
//
// Names, signatures, constants and error codes are those of the Windows AVIFile API, so code written
// for it compiles against this header unchanged. Results: 0 (AVIERR_OK) is success, an AVIERR_* code is
// failure; no call throws. Paths are ANSI bytes: code page 932 on Japanese Windows (opened with the ANSI
// file calls), plain bytes elsewhere.
//
// Files and streams are reference-counted objects behind the interfaces IAVIFile and IAVIStream; the
// free functions only forward to them, so tests can hand in objects of their own.
//
// Reading: AVI files (1.0 and OpenDML) and WAVE files, told apart by their content.
// Writing: new AVI files, OpenDML past 1 GiB. A new file is written under a temporary name beside its
// target and takes the target's name only when its last release has completed it.
#ifndef KAVRIN_AVIFILE_H
#define KAVRIN_AVIFILE_H

#include <stdint.h>

#ifdef _WIN32
#include <windows.h>
#else
// The Windows types this API speaks in, with their Windows sizes (LONG is 32 bits everywhere).
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef uint32_t DWORD;
typedef uint16_t WORD;
typedef uint8_t BYTE;
typedef int32_t HRESULT;
typedef int BOOL;
typedef uint32_t UINT;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef void* LPVOID;
typedef DWORD FOURCC;
typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT;
typedef struct _GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
} GUID, CLSID;
#ifndef OF_READ
#define OF_READ 0x00000000
#define OF_WRITE 0x00000001
#define OF_READWRITE 0x00000002
#define OF_SHARE_EXCLUSIVE 0x00000010
#define OF_SHARE_DENY_WRITE 0x00000020
#define OF_SHARE_DENY_READ 0x00000030
#define OF_SHARE_DENY_NONE 0x00000040
#define OF_CREATE 0x00001000
#endif
#endif

#ifndef mmioFOURCC
#define mmioFOURCC(a, b, c, d) \
    ((DWORD)(BYTE)(a) | ((DWORD)(BYTE)(b) << 8) | ((DWORD)(BYTE)(c) << 16) | ((DWORD)(BYTE)(d) << 24))
#endif

#define streamtypeVIDEO mmioFOURCC('v', 'i', 'd', 's')
#define streamtypeAUDIO mmioFOURCC('a', 'u', 'd', 's')
#define streamtypeMIDI mmioFOURCC('m', 'i', 'd', 's')
#define streamtypeTEXT mmioFOURCC('t', 'x', 't', 's')

#define AVISTREAMREAD_CONVENIENT (-1L)
#define AVIIF_LIST 0x00000001L
#define AVIIF_KEYFRAME 0x00000010L
#define AVIIF_NOTIME 0x00000100L

#define AVIFILEINFO_HASINDEX 0x00000010
#define AVIFILEINFO_MUSTUSEINDEX 0x00000020
#define AVIFILEINFO_ISINTERLEAVED 0x00000100
#define AVIFILECAPS_CANREAD 0x00000001
#define AVIFILECAPS_CANWRITE 0x00000002

#define AVISTREAMINFO_DISABLED 0x00000001
#define AVISTREAMINFO_FORMATCHANGES 0x00010000

#define MAKE_AVIERR(error) ((HRESULT)(0x80040000UL | (0x4000UL + (error))))
#define AVIERR_OK 0
#define AVIERR_UNSUPPORTED MAKE_AVIERR(101)
#define AVIERR_BADFORMAT MAKE_AVIERR(102)
#define AVIERR_MEMORY MAKE_AVIERR(103)
#define AVIERR_INTERNAL MAKE_AVIERR(104)
#define AVIERR_BADFLAGS MAKE_AVIERR(105)
#define AVIERR_BADPARAM MAKE_AVIERR(106)
#define AVIERR_BADSIZE MAKE_AVIERR(107)
#define AVIERR_BADHANDLE MAKE_AVIERR(108)
#define AVIERR_FILEREAD MAKE_AVIERR(109)
#define AVIERR_FILEWRITE MAKE_AVIERR(110)
#define AVIERR_FILEOPEN MAKE_AVIERR(111)
#define AVIERR_COMPRESSOR MAKE_AVIERR(112)
#define AVIERR_NOCOMPRESSOR MAKE_AVIERR(113)
#define AVIERR_READONLY MAKE_AVIERR(114)
#define AVIERR_NODATA MAKE_AVIERR(115)
#define AVIERR_BUFFERTOOSMALL MAKE_AVIERR(116)
#define AVIERR_CANTCOMPRESS MAKE_AVIERR(117)
#define AVIERR_USERABORT MAKE_AVIERR(198)
#define AVIERR_ERROR MAKE_AVIERR(199)

// The stream header as the AVI file's 'strh' gives it, with the stream's name; 140 bytes.
typedef struct _AVISTREAMINFOA {
    DWORD fccType;
    DWORD fccHandler;
    DWORD dwFlags;
    DWORD dwCaps;
    WORD wPriority;
    WORD wLanguage;
    DWORD dwScale;
    DWORD dwRate;  // dwRate / dwScale = samples per second
    DWORD dwStart;
    DWORD dwLength;  // in samples
    DWORD dwInitialFrames;
    DWORD dwSuggestedBufferSize;
    DWORD dwQuality;
    DWORD dwSampleSize;  // 0: one sample per chunk
    RECT rcFrame;
    DWORD dwEditCount;
    DWORD dwFormatChangeCount;
    char szName[64];
} AVISTREAMINFOA, *LPAVISTREAMINFOA, *PAVISTREAMINFOA;

typedef struct _AVIFILEINFOA {
    DWORD dwMaxBytesPerSec;
    DWORD dwFlags;
    DWORD dwCaps;
    DWORD dwStreams;
    DWORD dwSuggestedBufferSize;
    DWORD dwWidth;
    DWORD dwHeight;
    DWORD dwScale;
    DWORD dwRate;
    DWORD dwLength;
    DWORD dwEditCount;
    char szFileType[64];
} AVIFILEINFOA, *LPAVIFILEINFOA, *PAVIFILEINFOA;

#ifdef __cplusplus
static_assert(sizeof(AVISTREAMINFOA) == 140, "AVISTREAMINFOA must keep its Windows layout");
static_assert(sizeof(LONG) == 4, "LONG is 32 bits on every build");

// A stream of an open file. Positions and counts are in samples unless they say bytes.
struct IAVIStream {
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual HRESULT Info(AVISTREAMINFOA* info, LONG size) = 0;
    // Format at a position: with format NULL, *formatSize receives the size only.
    virtual HRESULT ReadFormat(LONG pos, LPVOID format, LONG* formatSize) = 0;
    virtual HRESULT SetFormat(LONG pos, LPVOID format, LONG formatSize) = 0;
    // With buffer NULL a size query: *bytes and *samples receive what the read would give.
    virtual HRESULT Read(LONG start, LONG samples, LPVOID buffer, LONG bufferSize, LONG* bytes,
                         LONG* samplesRead) = 0;
    virtual HRESULT Write(LONG start, LONG samples, LPVOID buffer, LONG bufferSize, DWORD flags,
                          LONG* samplesWritten, LONG* bytesWritten) = 0;

protected:
    ~IAVIStream() = default;
};

// An open file: read from an existing AVI or WAVE file, or a new AVI file being written.
struct IAVIFile {
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual HRESULT Info(AVIFILEINFOA* info, LONG size) = 0;
    // The lParam-th stream (from 0) of type fccType, or of any type when fccType is 0.
    virtual HRESULT GetStream(IAVIStream** stream, DWORD fccType, LONG lParam) = 0;
    virtual HRESULT CreateStream(IAVIStream** stream, AVISTREAMINFOA* info) = 0;

protected:
    ~IAVIFile() = default;
};

typedef IAVIStream* PAVISTREAM;
typedef IAVIFile* PAVIFILE;
#endif

#ifdef __cplusplus
extern "C" {
#endif

void AVIFileInit(void);
void AVIFileExit(void);

// Opens an existing AVI or WAVE file (mode OF_READ, OF_SHARE_* ignored), or makes a new AVI file
// (OF_CREATE | OF_WRITE). The handler must be NULL. The caller owns *file: AVIFileRelease it.
HRESULT AVIFileOpenA(PAVIFILE* file, LPCSTR path, UINT mode, const CLSID* handler);
ULONG AVIFileAddRef(PAVIFILE file);
// Gives up one hold on the file. The last release of a file being written completes it on disk;
// whether that worked is told by AVIFileGetCloseResult.
ULONG AVIFileRelease(PAVIFILE file);
HRESULT AVIFileInfoA(PAVIFILE file, AVIFILEINFOA* info, LONG size);
HRESULT AVIFileGetStream(PAVIFILE file, PAVISTREAM* stream, DWORD fccType, LONG lParam);
HRESULT AVIFileCreateStreamA(PAVIFILE file, PAVISTREAM* stream, AVISTREAMINFOA* info);

// Our own addition: the result of completing the last file written on this thread, that is of the
// last AVIFileRelease (or AVIStreamRelease) that dropped a written file's last hold. AVIERR_OK when
// the file took its name complete; an AVIERR_* code when it could not be completed, in which case
// nothing took the target's name and no temporary file is left.
HRESULT AVIFileGetCloseResult(void);

// Our own additions for a caller whose output may name one of its sources.
// AVIFileAbandon: the file being written will not be completed; its last release removes what was
// written and leaves whatever the target names untouched (AVIFileGetCloseResult: AVIERR_USERABORT).
HRESULT AVIFileAbandon(PAVIFILE file);
// Whether two paths name one existing file, however they are spelt.
BOOL AVIFileNamesSameFile(LPCSTR first, LPCSTR second);

// Opens the lParam-th stream of type fccType of an existing file. The stream keeps the file open;
// the caller owns *stream: AVIStreamRelease it.
HRESULT AVIStreamOpenFromFileA(PAVISTREAM* stream, LPCSTR path, DWORD fccType, LONG lParam, UINT mode,
                               const CLSID* handler);
ULONG AVIStreamAddRef(PAVISTREAM stream);
ULONG AVIStreamRelease(PAVISTREAM stream);
HRESULT AVIStreamInfoA(PAVISTREAM stream, AVISTREAMINFOA* info, LONG size);
LONG AVIStreamStart(PAVISTREAM stream);   // dwStart, or -1 when the header cannot be read
LONG AVIStreamLength(PAVISTREAM stream);  // dwLength, or -1 when the header cannot be read
HRESULT AVIStreamReadFormat(PAVISTREAM stream, LONG pos, LPVOID format, LONG* formatSize);
HRESULT AVIStreamSetFormat(PAVISTREAM stream, LONG pos, LPVOID format, LONG formatSize);
HRESULT AVIStreamRead(PAVISTREAM stream, LONG start, LONG samples, LPVOID buffer, LONG bufferSize,
                      LONG* bytes, LONG* samplesRead);
HRESULT AVIStreamWrite(PAVISTREAM stream, LONG start, LONG samples, LPVOID buffer, LONG bufferSize,
                       DWORD flags, LONG* samplesWritten, LONG* bytesWritten);

#ifdef __cplusplus
}
#endif

#endif
