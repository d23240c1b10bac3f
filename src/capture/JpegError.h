#pragma once
// The libjpeg error manager of this program: errors jump back to the caller's
// setjmp point instead of ending the process, and messages are never printed.

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace palvex {

struct TJpegErrorManager {
    jpeg_error_mgr Manager;  // first member: libjpeg sees a jpeg_error_mgr*
    std::jmp_buf Jump;
};

// Installs the silent, jumping error manager into cinfo's err field.
jpeg_error_mgr* UseJumpingErrors(TJpegErrorManager& errors);

}  // namespace palvex
