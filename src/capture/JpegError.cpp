#include "capture/JpegError.h"

namespace palvex {

namespace {

[[noreturn]] void JumpOnError(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<TJpegErrorManager*>(cinfo->err);
    std::longjmp(errors->Jump, 1);
}

void StaySilent(j_common_ptr, int) {}

void PrintNothing(j_common_ptr) {}

}  // namespace

jpeg_error_mgr* UseJumpingErrors(TJpegErrorManager& errors) {
    jpeg_error_mgr* manager = jpeg_std_error(&errors.Manager);
    manager->error_exit = JumpOnError;
    manager->emit_message = StaySilent;
    manager->output_message = PrintNothing;
    return manager;
}

}  // namespace palvex
