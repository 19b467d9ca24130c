#pragma once

#include <csetjmp>
// jpeglib.h wants size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

namespace qf {

// libjpeg's errors jump back to the setjmp on `jump` with the message kept;
// it never prints. The frame that calls setjmp holds no object with a
// destructor across the jump.
struct JpegErrors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];

    // libjpeg's defaults with these handlers, for cinfo.err.
    jpeg_error_mgr* install()
    {
        jpeg_std_error(&pub);
        pub.error_exit = exit;
        pub.output_message = quiet;
        return &pub;
    }

private:
    [[noreturn]] static void exit(j_common_ptr cinfo)
    {
        auto* self = reinterpret_cast<JpegErrors*>(cinfo->err);
        (*cinfo->err->format_message)(cinfo, self->message);
        std::longjmp(self->jump, 1);
    }
    static void quiet(j_common_ptr) { }
};

} // namespace qf
