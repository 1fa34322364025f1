// quarvel: prints the statistics report of one time history, read from the
// file named as the only argument, or from "a.in". Everything goes to
// standard output; the exit status is 0 after a report, 1 when the file
// cannot be opened or holds no first pair, and -1 when it cannot be closed.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "driver/pair_reader.h"
#include "driver/run.h"

namespace {

const char BANNER[] = "\n\n\n quarvel, ver " QUARVEL_VERSION ", October 29, 2008  \n";
const char CREDIT[] = "\n by the quarvel developers <quarvel-devel@quarvel.org>\n\n";
const char DEFAULT_NAME[] = "a.in";

// Element i of the argument vector, or "(null)" where there is none: the
// text is written here so that no null pointer reaches printf.
const char* argument(int argc, char** argv, int i) {
    return i < argc && argv[i] != nullptr ? argv[i] : "(null)";
}

// Opens an existing file for reading only: never creates or truncates it,
// takes no lock. A directory opens on this system but is no record, so it
// counts as a failed open.
int open_input(const char* name) {
    int fd = open(name, O_RDONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        close(fd);
        return -1;
    }
    return fd;
}

// The reader's buffer is too large for the stack.
PairReader reader;

}  // namespace

int main(int argc, char** argv) {
    std::fputs(BANNER, stdout);
    std::fputs(CREDIT, stdout);
    std::printf("\n\n  argc = %d ", argc);
    std::printf("\n argv[0] %s ", argument(argc, argv, 0));
    std::printf("\n argv[1] %s ", argument(argc, argv, 1));

    // The whole name is used, however long; the system decides whether it
    // opens.
    const char* name = argc > 1 && argv[1] != nullptr ? argv[1] : DEFAULT_NAME;
    int fd = open_input(name);
    if (fd < 0) {
        std::printf(" Failed to open file: %s \n", name);
        return 1;  // returning from main flushes standard output
    }
    std::printf(" File: %s opened. \n", name);

    reader.fd = fd;
    int status = process_record(reader, stdout);
    if (close(fd) != 0 && status == 0) status = -1;
    return status;
}
