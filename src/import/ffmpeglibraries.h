// FFmpeg's libavformat and libavcodec, loaded when the first video or APNG
// is read. With the codec libraries they bring they are about eighty shared
// objects, whose loading would otherwise hold up every start of the program
// and of loopwright-cli (35 of its 60 ms) for the few runs that read a video.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#define LW_FFMPEG_FUNCTIONS(F)                                                                                 \
    F(avformat_open_input) F(avformat_find_stream_info) F(avformat_close_input) F(av_find_best_stream)         \
    F(av_guess_sample_aspect_ratio) F(av_guess_frame_rate) F(av_stream_get_side_data)                          \
    F(avformat_index_get_entries_count) F(avformat_index_get_entry_from_timestamp) F(av_seek_frame)            \
    F(av_read_frame) F(avcodec_find_decoder) F(avcodec_alloc_context3) F(avcodec_parameters_to_context)        \
    F(avcodec_open2) F(avcodec_free_context) F(avcodec_flush_buffers) F(avcodec_send_packet)                   \
    F(avcodec_receive_frame) F(av_packet_alloc) F(av_packet_free) F(av_packet_unref)

struct FfmpegLibraries {
#define LW_FFMPEG_POINTER(name) decltype(&::name) name = nullptr;
    LW_FFMPEG_FUNCTIONS(LW_FFMPEG_POINTER)
#undef LW_FFMPEG_POINTER
};

// The functions, loaded once from any thread and kept to the end of the
// process; null when a library or a function in it cannot be found.
const FfmpegLibraries* Ffmpeg();
