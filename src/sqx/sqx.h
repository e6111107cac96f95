#pragma once
/*
 * libSqx: the archiving library behind Postora's ".ebk" backups.
 *
 * A C interface, loaded at run time by name (dlopen/dlsym). Every entry point returns a signed
 * 32-bit result: 0 for success, otherwise one of the SQX_E_* codes below. Text is NUL-terminated
 * bytes; file names on the host are UTF-8 and so are the names stored in the archive (text that is
 * not valid UTF-8 is read as Windows-1252).
 *
 * The archive is a ZIP file: Deflate (a file of 256 KiB or more whose samples look like random
 * bytes, i.e. already compressed, is stored instead), ZIP64 where sizes need it, UTF-8 names
 * (flagged as such, in any locale of the calling program), and WinZip AES-256
 * for every entry when a password is given (an empty file has no data to encrypt and is stored
 * as it is).
 *
 * Writing a backup:
 *
 *     void* list = NULL;
 *     SqxInitFileList(&list);
 *     SqxAddFileList("/home/ann/.wine/drive_c/Mail/Inbox.dbx", &list);   // one call per entry
 *     SqxOptions options = {0}; options.size = sizeof options; ...
 *     int32_t r = SqxAddFiles("/home/ann/Backups/x.ebk", &list, &options, callback, user);
 *     SqxDoneFileList(&list);
 *
 * File specifications are host paths. A specification may name a file, a folder (every file
 * below it is stored, with its sub-folders) or, in its last component, a wildcard mask with '*'
 * and '?' matched as Windows does (without regard to case; "*.*" matches every name, also names
 * without a dot; "*." matches names without a dot; a folder whose name fits stores everything
 * below it). A specification that matches nothing stores nothing and is not an error. Symbolic
 * links to files are followed; below a folder (and among a mask's matches) only when the file
 * they lead to is inside that folder: a link that leads out of it is left out and reported (see
 * SqxLeftOutFile). Below a folder, linked folders are not entered (no cycles), and devices,
 * pipes and sockets are left out. So are, below a folder and among a mask's matches, the
 * temporary files that a killed restore or extraction leaves beside the files it was writing:
 * ".<name>.restore-<process id>-<8 hex digits>" (also without "<process id>-") and
 * ".sqxpart-<10 letters and digits>".
 */

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Result codes ------------------------------------------------------------------------- */
enum {
    SQX_OK = 0,
    SQX_E_ACCESS = 5,             /* permission denied: a source file, the target or its folder */
    SQX_E_DISK_FULL = 101,        /* no space left (also a quota or file-size limit) */
    SQX_E_WRITE_PROTECTED = 150,  /* read-only file system */
    SQX_E_ABORTED = 2926,         /* the callback answered 0 */
    SQX_E_NOT_SUPPORTED = 2950,   /* entry point that this library does not implement */
    SQX_E_BAD_ARGUMENT = 2951,    /* null pointer, unknown handle, options record of wrong size */
    SQX_E_NOT_FOUND = 2952,       /* the archive to read, or the target's folder, does not exist */
    SQX_E_IO = 2953,              /* any other input/output error */
    SQX_E_BAD_ARCHIVE = 2954,     /* not a readable archive (bad headers, truncated directory) */
    SQX_E_BAD_DATA = 2955,        /* an entry's data is damaged (CRC or authentication mismatch) */
    SQX_E_PASSWORD_NEEDED = 2956, /* encrypted entries and no password */
    SQX_E_BAD_PASSWORD = 2957,    /* encrypted entries and the password does not open them */
    SQX_E_NO_MEMORY = 2958,
    SQX_E_INTERNAL = 2959,       /* the compression back end refused a setting */
    SQX_E_SOURCE_CHANGED = 2960, /* a source file changed its size while it was read */
    SQX_E_REFUSED_ENTRY = 2961,  /* extract: entries were left out as unsafe (see below) */
    SQX_E_LEFT_OUT = 2962,       /* add: links were left out and the callback asked to fail */
    SQX_E_MISSING_VOLUME = 2963, /* reading: a volume of the set is missing (SqxLastFailedEntry) */
    SQX_E_NOT_A_FILE = 2964      /* reading: a volume is a pipe, device or folder (named so too) */
};

/* ---- Callback reasons --------------------------------------------------------------------- */
enum {
    SQX_REASON_PROGRESS = 0,    /* percent: share of the current list entry stored (0..100) */
    SQX_REASON_OVERWRITE = 1,   /* extract: the destination exists; answer 2 replaces it, 1 skips */
    SQX_REASON_NEXT_VOLUME = 2, /* a volume after the first is about to be written */
    SQX_REASON_PASSWORD = 3,    /* the password is needed; the answer is read from path */
    SQX_REASON_NEXT_FILE = 5,   /* a list entry (add) or an archive entry (test, extract) begins */
    SQX_REASON_DESTINATION = 6, /* extract: path holds the destination of the entry; may rewrite */
    SQX_REASON_LEFT_OUT = 7     /* add: path holds a link left out (see SqxAddFiles) */
};

/* Callback answers: 0 stops the call at once (result SQX_E_ABORTED), 1 goes on; reasons 1 and 7
 * also know 2. Callbacks always come on the thread that made the call. */
enum { SQX_ANSWER_STOP = 0, SQX_ANSWER_GO_ON = 1, SQX_ANSWER_REPLACE = 2 };

/* Media kinds reported with SQX_REASON_NEXT_VOLUME: the drive type of the target's folder. */
enum { SQX_MEDIA_REMOVABLE = 2, SQX_MEDIA_FIXED = 3, SQX_MEDIA_CDROM = 5 };

#define SQX_NAME_CHARS 272

/*
 * The callback record, 584 bytes, made by the library and handed to the callback.
 *
 * name (4): SQX_REASON_NEXT_FILE of SqxAddFiles: filled with the list entry's specification as
 *   given; whatever the callback leaves there is the name the entry is stored under, with '\'
 *   turned into '/', runs of separators collapsed, and leading separators and "." and ".."
 *   components removed. For a folder the files below it are stored under that name; for a
 *   wildcard mask the last component of the name is replaced by each matching name. A name
 *   ending in a separator names a folder: a file, or each match of a mask, keeps its own name
 *   in it. An empty name stores a file under its own name and a folder's contents at the
 *   top. When the
 *   specification is longer than the field, the field holds its first 271 bytes and the rest of
 *   the file specification is appended to the callback's answer.
 *   Test and extract: the stored name of the entry.
 * path (276): SQX_REASON_NEXT_VOLUME: the target's folder with a trailing '/';
 *   SQX_REASON_PASSWORD: the callback writes the password here; SQX_REASON_DESTINATION: the host
 *   path the entry is extracted to, which the callback may rewrite; SQX_REASON_OVERWRITE: the
 *   existing destination.
 * mediaKind (564), neededBytes (576), diskNumber (580): SQX_REASON_NEXT_VOLUME: the drive type,
 *   the size of the next volume, and its number (2 for the second volume).
 * percent (576): SQX_REASON_PROGRESS.
 */
typedef struct SqxCallbackRecord {
    int32_t size;              /* 0: sizeof(SqxCallbackRecord) */
    char name[SQX_NAME_CHARS]; /* 4 */
    char path[SQX_NAME_CHARS]; /* 276 */
    uint8_t reserved548[16];   /* 548 */
    int32_t mediaKind;         /* 564 */
    int32_t entryIndex;        /* 568: 1-based index of the current list or archive entry */
    int32_t reason;            /* 572 */
    int32_t value;             /* 576: percent (reason 0) or bytes needed (reason 2) */
    int32_t diskNumber;        /* 580 */
} SqxCallbackRecord;

typedef int32_t (*SqxCallback)(intptr_t userValue, SqxCallbackRecord* record);

/*
 * The options record, 3740 bytes, all zero except the fields below.
 * password: empty = no encryption. tempFolder: the folder SqxExtractFiles writes into (SqxAddFiles
 *   writes its temporary file beside the target instead, so that the final rename is atomic).
 * multipleVolumes: non-zero cuts the archive into volumes of volumeSize: the media codes 9, 11,
 *   12 and 13 (Zip 100, Zip 250, CD 650, CD 700) mean 100,431,872, 250,331,136, 681,574,400 and
 *   734,003,200 bytes, what a formatted medium of that kind holds (MediaSizes.h); any other value
 *   of at least 65,536 is a byte count; anything else writes one file.
 * The fields the program sets to fixed values (4: 3, 16: 1, 32: 1, 1404: 1) are accepted as given
 * and not used.
 */
typedef struct SqxOptions {
    int32_t size;               /* 0: 3740 */
    int32_t fixed4;             /* 4 */
    uint8_t reserved8[8];       /* 8 */
    int32_t fixed16;            /* 16 */
    uint8_t reserved20[12];     /* 20 */
    int32_t fixed32;            /* 32 */
    uint8_t reserved36[4];      /* 36 */
    char password[544];         /* 40 */
    char tempFolder[816];       /* 584 */
    int32_t multipleVolumes;    /* 1400 */
    int32_t fixed1404;          /* 1404 */
    uint8_t reserved1408[8];    /* 1408 */
    int32_t volumeSize;         /* 1416 */
    uint8_t reserved1420[2320]; /* 1420 */
} SqxOptions;

/* What SqxListFiles fills in: one row per archive entry, in archive order. */
typedef struct SqxArcEntry {
    const char* name; /* UTF-8, as stored; folders end with '/' */
    int64_t size;     /* bytes when extracted; -1 when the archive does not say */
    int64_t modified; /* seconds since 1970-01-01 UTC */
    int32_t isFolder;
    int32_t encrypted;
} SqxArcEntry;

typedef struct SqxArcList {
    int32_t count;
    const SqxArcEntry* entries;
} SqxArcList;

#if defined(__GNUC__)
#define SQX_API __attribute__((visibility("default")))
#else
#define SQX_API
#endif

/* The file list: a handle in a pointer-sized slot. Init makes an empty list; Add appends one
 * specification; Done releases the list and clears the slot. */
SQX_API int32_t SqxInitFileList(void** fileList);
SQX_API int32_t SqxDoneFileList(void** fileList);
SQX_API int32_t SqxAddFileList(const char* specification, void** fileList);

/* The archive listing filled by SqxListFiles. */
SQX_API int32_t SqxInitArcFileList(SqxArcList** arcList);
SQX_API int32_t SqxDoneArcFileList(SqxArcList** arcList);

/*
 * Writes the archive from the list. Temporary files (leftovers of killed runs) in the target's
 * folder are removed first: only files of the exact temporary form below, owned by the calling
 * user, whose writing process is gone and whose lock is free. Per list entry, in order: one
 * SQX_REASON_NEXT_FILE (also for an entry that matches nothing), then SQX_REASON_PROGRESS while its
 * data is stored (at least every MiB, every tenth of a second at the most rarely, and 100 when the
 * entry is done). SQX_REASON_NEXT_VOLUME before each volume after the first. The password is taken
 * from the options only: an empty password writes an unencrypted archive, and SQX_REASON_PASSWORD
 * is never asked when writing. A null callback stores the normalised specifications and never
 * stops. The data is compressed on worker threads of the call (see SQX_THREADS below), all of
 * which have ended when it returns; files are read, and every callback made, on the calling
 * thread, and progress counts the bytes read.
 *
 * The archive is written under a temporary name beside the target,
 * "<target>.sqxtmp-<process id>-<10 letters and digits>" (volumes add ".001", ".002", ...), with
 * mode 0600 whatever the umask (archives hold account settings), and locked (flock) by the
 * writing process. Every piece of compressed data is decoded again on its worker before it is
 * written, and must give back the bytes read. When the archive is complete and synced, it is
 * read back in full from the disk (its pages are dropped from the cache first; for volumes, the
 * whole set) and every byte compared, by a CRC-32 per entry, with what was written, while an
 * independent ZIP reader must find every entry in its headers. A check that lasts gets
 * SQX_REASON_PROGRESS with 100 (for the last list entry) every tenth of a second, and a stop
 * answer aborts as before. A failed check fails the call with SQX_E_BAD_DATA, and
 * SqxLastFailedEntry names the entry. Only a checked archive is renamed over the target; on failure
 * or abort nothing is left behind and an existing archive stays as it was. Volumes are named
 * <target>.001, <target>.002, ...; an archive that fits in one volume keeps the plain name. A
 * successful write replaces every file of an older archive of that name (the plain file and
 * numbered volumes). A set replaces an older archive (or one file an older set) as one: the
 * marker "<target>.sqxswitch-<id>.<volumes>" is written once the new set is complete, the older
 * archive is renamed aside to "<target>.sqxold-<id>[.NNN]", the new volumes take their names,
 * and the old ones and the marker are removed. Whenever the writer is stopped, one whole set
 * is readable under one name; the next call that writes into the folder finishes a switch whose
 * marker it finds (the writer gone and the marker's lock free).
 *
 * A source file that cannot be read fails the call. A file whose size changes while it is read
 * (it ends early, or holds more than its size when it was opened) fails the call with
 * SQX_E_SOURCE_CHANGED: its copy would be neither the old nor the new file, so the archive is not
 * kept and the previous one stays. The file belongs to the list entry of the last
 * SQX_REASON_NEXT_FILE, as does the file of SQX_E_ACCESS from a source that cannot be read.
 * A folder below a specification that cannot be listed fails the call as a file would.
 *
 * The callback of SQX_REASON_NEXT_FILE may write a host folder into path (empty when it is
 * handed over): links below the entry may then lead anywhere inside that folder, the data's
 * root, instead of inside the entry's own folder (or a mask's folder).
 * A link left out because it leads out of the folder being stored gets SQX_REASON_LEFT_OUT
 * with its host path in path (its first 271 bytes; SqxLeftOutFile gives it whole). Answer 1
 * keeps the archive without it; 2 goes on, so that every such link is reported, and then fails
 * the call with SQX_E_LEFT_OUT before the archive replaces the target; 0 stops at once.
 */
SQX_API int32_t SqxAddFiles(const char* archivePath, void** fileList, const SqxOptions* options,
                            SqxCallback callback, intptr_t userValue);

/*
 * Reading. archivePath may name a plain archive or the first volume (".001") of a set. The
 * archive and every volume must be regular files; they are opened without blocking, so that a
 * pipe under a volume's name fails the call (SQX_E_NOT_A_FILE) instead of waiting for a writer.
 * A set whose volumes stop before the end of the archive fails with SQX_E_MISSING_VOLUME; for
 * both, SqxLastFailedEntry gives the host path of the volume. (The named file itself being a
 * folder or a device stays SQX_E_BAD_ARGUMENT.) Before reading, a switch of this archive to a
 * new set that a crash interrupted is finished, as SqxAddFiles would finish it: the name then
 * reads as the new set, also when it changed between the plain name and ".001". fileList
 * may be null or empty (every entry) or hold masks matched against the stored names as above.
 * options may be null (no password). When an encrypted entry is met and the options carry no
 * password, SQX_REASON_PASSWORD is asked once per call.
 *
 * SqxListFiles fills *arcList (made with SqxInitArcFileList) with the entries' headers.
 * SqxTestFiles reads every selected entry in full, decrypting it and checking its CRC or
 * authentication code; SQX_REASON_NEXT_FILE and SQX_REASON_PROGRESS as for writing.
 * SqxExtractFiles writes the selected entries below options->tempFolder, asking
 * SQX_REASON_DESTINATION per entry and SQX_REASON_OVERWRITE when the destination exists; a
 * damaged entry, or one with more data than its header says, leaves no file behind. Files are
 * made with mode 0600. Entries that could lead outside the folder are refused: links, devices,
 * and names that are absolute ("/x", "\x", "C:x") or hold a ".." component. A refused entry
 * gets its SQX_REASON_NEXT_FILE and no SQX_REASON_DESTINATION, nothing is written for it, the
 * other entries are extracted, and the call then ends with SQX_E_REFUSED_ENTRY.
 */
SQX_API int32_t SqxListFiles(const char* archivePath, SqxArcList** arcList,
                             const SqxOptions* options, SqxCallback callback, intptr_t userValue);
SQX_API int32_t SqxTestFiles(const char* archivePath, void** fileList, const SqxOptions* options,
                             SqxCallback callback, intptr_t userValue);
SQX_API int32_t SqxExtractFiles(const char* archivePath, void** fileList, const SqxOptions* options,
                                SqxCallback callback, intptr_t userValue);

/* The stored name (UTF-8) of the entry whose data failed its check in the calling thread's last
 * SqxAddFiles (the check after writing), SqxTestFiles or SqxExtractFiles, or the volume that
 * failed a reading call (see above). Copies at most size - 1 bytes and a
 * terminating zero into buffer and returns the name's full length; 0 when the last call failed
 * at no entry. Beyond the 13 entry points: callers treat its absence as "no name known". */
SQX_API int32_t SqxLastFailedEntry(char* buffer, int32_t size);

/* After SqxAddFiles, with its list (until SqxDoneFileList): the host path of the index-th
 * (0-based) link left out because it leads out of the folder being stored. Copies at most
 * size - 1 bytes and a terminating zero into buffer and returns the path's full length; -1
 * when there is no such link. Beyond the 13 entry points, like SqxLastFailedEntry. */
SQX_API int32_t SqxLeftOutFile(void** fileList, int32_t index, char* buffer, int32_t size);

/* After a failed SqxAddFiles, with its list: the host path of the source file or folder that
 * could not be read (SQX_E_ACCESS, SQX_E_IO, SQX_E_SOURCE_CHANGED, ...), copied as above; 0
 * when the failure was not at a source. */
SQX_API int32_t SqxFailedSource(void** fileList, char* buffer, int32_t size);

/* Not supported: these return SQX_E_NOT_SUPPORTED and change nothing. */
SQX_API int32_t SqxAddArchiveComment(const char* archivePath, const char* comment);
SQX_API int32_t SqxAddFileComments(const char* archivePath, void** fileList, const char* comment);
SQX_API int32_t SqxDeleteFiles(const char* archivePath, void** fileList, const SqxOptions* options,
                               SqxCallback callback, intptr_t userValue);
SQX_API int32_t SqxRepairFiles(const char* archivePath, const SqxOptions* options,
                               SqxCallback callback, intptr_t userValue);

/*
 * Fault injection for tests, read once per call from the environment by the tests' variant of
 * this library only (built with SQX_TEST_SEAMS); the shipping library reads none of these but
 * SQX_THREADS:
 *   SQX_FAULT_WRITE="<errno>@<bytes>"  the archive sink fails with <errno> (ENOSPC, EROFS,
 *       EACCES, EPERM, EIO, EDQUOT, EFBIG) when it is about to write past <bytes> bytes in total;
 *       @0 fails at the first write.
 *   SQX_FAULT_OPEN="<errno>"            creating the target's temporary file fails with <errno>.
 *   SQX_FAULT_READ="<errno>@<text>"     opening a source file whose path contains <text> fails.
 *   SQX_FAULT_LIST="<errno>@<text>"     listing a source folder whose path contains <text> fails.
 *   SQX_FAULT_KILL_AT="<n>"             the writer kills itself (SIGKILL) before the n-th step
 *       (1 = the first) of putting the finished archive in place.
 *   SQX_FAULT_READ_DATA="<errno>@<text>" reading a source file whose path contains <text> fails
 *       once its first MiB is read.
 *   SQX_FAULT_CORRUPT="<text>"          once the archive is written, one byte in the middle of the
 *       stored data of the first file whose stored name contains <text> is flipped, before the
 *       check after writing.
 *   SQX_FAULT_COMPRESS="<text>"         compressing the first piece of the first file whose stored
 *       name contains <text> fails on its worker thread (result SQX_E_INTERNAL).
 *   SQX_FAULT_DAMAGE="<text>"           one byte of the compressed data of the first piece of the
 *       first file whose stored name contains <text> is flipped on its worker thread, before
 *       the piece is decoded again (result SQX_E_BAD_DATA).
 *   SQX_FIXED_SALT="<text>"             the salts of AES entries are derived from <text> and the
 *       entry's number instead of drawn at random, so that two runs give identical bytes. For
 *       tests only: it makes the salts predictable.
 *   SQX_THREADS="<n>"                   compress on n worker threads (1..64) instead of one per
 *       hardware thread (at most 8); the archive is the same byte for byte whatever n is.
 */

#ifdef __cplusplus
}
#endif
