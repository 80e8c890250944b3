#include "host/standard_descriptors.h"

#include <fcntl.h>
#include <unistd.h>

void KeepStandardDescriptorsOpen() {
  for (int i = 0; i < 3; ++i) {
    const int fd = open("/dev/null", O_RDWR);
    if (fd > 2) {
      close(fd);
      break;
    }
  }
}
