/* A small program on libvesmor: open a reader, list the transponders in its field, then write
 * block 0 of the first one and read it back.
 *
 *   cc tag_example.c $(pkg-config --cflags --libs vesmor) -o tag_example
 *   ./tag_example /dev/ttyUSB0 [TEXT]
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vesmor.h>

/* The ISO request-flags byte the desktop program uses (sub-carrier bit set). */
#define REQUEST_FLAGS 1
#define RECORD_SIZE 11

static int fail(int handle, const char* what) {
    fprintf(stderr, "%s failed: error %d\n", what, (int)VESMOR_GetLastError(handle));
    VESMOR_ClosePort(handle);
    return 1;
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: %s PORT [TEXT]\n", argv[0]);
        return 2;
    }
    const char* text = argc > 2 ? argv[2] : "VSMR";

    const int handle = VESMOR_OpenPort(argv[1], 19200, 500);
    if (handle <= 0) {
        fprintf(stderr, "no reader at %s (result %d)\n", argv[1], handle);
        return 1;
    }
    char name[64] = "";
    VESMOR_GetDeviceName(handle, name, sizeof name);
    printf("reader: %s\n", name);

    unsigned char records[16 * RECORD_SIZE];
    const int bytes = VESMOR_Inventory(handle, records, sizeof records, REQUEST_FLAGS);
    if (bytes < 0) {
        return fail(handle, "VESMOR_Inventory");
    }
    if (bytes == 0) {
        printf("no transponder in the field\n");
        VESMOR_ClosePort(handle);
        return 1;
    }
    /* A record: slot status, response flags, DSFID, then the UID least significant byte first. */
    for (int offset = 0; offset < bytes; offset += RECORD_SIZE) {
        printf("transponder: ");
        for (int i = 7; i >= 0; --i) {
            printf("%02X", records[offset + 3 + i]);
        }
        printf("\n");
    }
    const unsigned char* uid = records + 3;

    int32_t blockCount = 0, blockSize = 0, maker = 0;
    if (VESMOR_GetTagInfo(handle, uid, 8, &blockCount, &blockSize, &maker, REQUEST_FLAGS) != 0) {
        return fail(handle, "VESMOR_GetTagInfo");
    }
    printf("blocks: %d of %d bytes\n", (int)blockCount, (int)blockSize);

    unsigned char block[32] = {0};
    const size_t length = strlen(text) < (size_t)blockSize ? strlen(text) : (size_t)blockSize;
    memcpy(block, text, length);
    if (VESMOR_WriteBlock(handle, 0, block, blockSize, uid, 8, REQUEST_FLAGS) != 0) {
        return fail(handle, "VESMOR_WriteBlock");
    }
    unsigned char readBack[32] = {0};
    const int got = VESMOR_ReadBlock(handle, 0, readBack, sizeof readBack, uid, 8, REQUEST_FLAGS);
    if (got < 0) {
        return fail(handle, "VESMOR_ReadBlock");
    }
    printf("block 0:");
    for (int i = 0; i < got; ++i) {
        printf(" %02X", readBack[i]);
    }
    printf("\n");
    VESMOR_ClosePort(handle);
    return memcmp(block, readBack, (size_t)blockSize) == 0 ? 0 : 1;
}
