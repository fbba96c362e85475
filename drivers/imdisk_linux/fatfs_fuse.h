// The FUSE side of quillfen-fatfs: the table of callbacks that libfuse calls
// (in one thread), each handing the request to the FatfsOperations given to
// fuse_new as its user data.
#pragma once

struct fuse_operations;

namespace fatfs {

const fuse_operations& FatfsFuseOperations();

}  // namespace fatfs
