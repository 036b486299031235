#pragma once
// The exit codes of an unattended install (setup.exe /S ...), in one place: deployment
// tools read them, so a value once given keeps its meaning. Pure data.

// The window's own runs keep ending with 0 whatever happened; only /S returns these.
enum class DeployExitCode : int {
    Installed = 0,
    BadArguments = 1,    // unknown or malformed switches: nothing was done
    AlreadyRunning = 2,  // another installer holds the single-instance marker
    FolderRefused = 3,   // the folder is no usable full drive path, or setup runs from Favorites
    UnsafeFolder = 4,    // a folder above the target can be replaced by other users
    NoServer = 5,        // none of the vendor's endpoints answered
    ApiFailure = 6,      // an endpoint answered, but gave no usable package information
    DownloadFailed = 7,  // the package did not arrive (network, stall, or its file not written)
    DigestMismatch = 8,  // the package arrived but does not match its digest
    ExtractFailed = 9,   // the package could not be unpacked; the folder is as it was
    DiskFull = 10,       // no room for the package or for what it unpacks to
    Cancelled = 11,      // the install was stopped before it completed; nothing is left of it
    StartFailed = 12,    // the process could not start the install (COM, the install thread)
    NoWorkFolder = 13,   // no work folder of the installer's own could be made: nothing was done
};

// The name the log gives the code.
const wchar_t* DeployExitCodeName(DeployExitCode code);
