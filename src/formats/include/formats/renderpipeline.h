// Frames drawn for the WebP and APNG writers as the GIF export draws them, on
// up to job.parallelism threads, and taken in order, so that only a few
// frames are in memory at once.
#pragma once

#include "base/signalstack.h"
#include "gif/export.h"

#include <algorithm>
#include <cstddef>
#include <deque>
#include <future>
#include <optional>
#include <utility>
#include <vector>

// Work started in order on up to `limit` threads at once, its results taken
// in the same order. With a limit of 1 each task runs on the calling thread
// when its result is taken.
template <typename Result>
class OrderedTasks {
public:
    explicit OrderedTasks(int limit)
        : m_limit(std::max(1, limit)),
          m_policy(m_limit > 1 ? std::launch::async | std::launch::deferred : std::launch::deferred) {}

    bool Full() const { return int(m_tasks.size()) >= m_limit; }
    bool Empty() const { return m_tasks.empty(); }

    // May throw std::system_error when no thread can be started.
    template <typename Work, typename... Arguments>
    void Start(Work work, Arguments&&... arguments) {
        m_tasks.push_back(
            std::async(m_policy, WithSignalStack(std::move(work)), std::forward<Arguments>(arguments)...));
    }

    // The oldest task's result, waiting for it.
    Result Next() {
        Result result = m_tasks.front().get();
        m_tasks.pop_front();
        return result;
    }

private:
    const int m_limit;
    const std::launch m_policy;
    std::deque<std::future<Result>> m_tasks;
};

// One frame on the canvas in plain bytes, which any thread may read: the
// toolkit's images never leave the task that drew them.
struct DrawnFrame {
    int width = 0;
    int height = 0;
    int channels = 3;                   // 3: RGB; 4: RGBA, holes of alpha 0
    std::vector<unsigned char> pixels;  // rows top to bottom, no padding; empty: not drawn
    bool fewColours = false;            // at most 256 colours: kept exactly

    bool Ok() const { return !pixels.empty(); }
    std::size_t Stride() const { return std::size_t(width) * std::size_t(channels); }
    const unsigned char* Row(int y) const { return pixels.data() + std::size_t(y) * Stride(); }
};

// Asks the source for pictures in order on the calling thread and draws them
// ahead on up to job.parallelism threads.
class RenderPipeline {
public:
    RenderPipeline(const GifExportJob& job, const ExportFrameSource& source)
        : m_job(job), m_source(source), m_drawing(job.parallelism) {}

    // The next frame (not Ok when it could not be drawn), or nothing when the
    // source gave no picture. May throw std::system_error.
    std::optional<DrawnFrame> Next();

private:
    const GifExportJob& m_job;
    const ExportFrameSource& m_source;
    OrderedTasks<DrawnFrame> m_drawing;
    int m_asked = 0;
};
