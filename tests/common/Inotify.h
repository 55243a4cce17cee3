#pragma once
// Which files a piece of code makes in some folders, seen by inotify: a
// file made and removed again still shows, so a scratch file that is
// tidied away in time is caught as well.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

// Full paths of everything `run` creates directly in any of `folders`.
template <typename FN>
std::vector<std::string> FilesMadeIn(const std::vector<std::string>& folders, FN run) {
  std::vector<std::string> made;
  const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch < 0) {
    ADD_FAILURE() << "no inotify";
    run();
    return made;
  }
  std::map<int, std::string> watched;
  for (const std::string& folder : folders) {
    const int wd = inotify_add_watch(watch, folder.c_str(), IN_CREATE);
    EXPECT_GE(wd, 0) << "no watch on " << folder;
    if (wd >= 0) watched[wd] = folder;
  }
  run();
  alignas(inotify_event) char buffer[65536];
  for (ssize_t n; (n = read(watch, buffer, sizeof buffer)) > 0;) {
    for (char* p = buffer; p < buffer + n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(p);
      if (event->mask & IN_Q_OVERFLOW) ADD_FAILURE() << "inotify queue overflowed";
      if (event->mask & IN_CREATE) made.push_back(watched[event->wd] + "/" + (event->len ? event->name : ""));
      p += sizeof(inotify_event) + event->len;
    }
  }
  close(watch);
  return made;
}

// Names of everything `run` creates directly in `folder`.
template <typename FN>
std::vector<std::string> FilesMadeIn(const std::string& folder, FN run) {
  std::vector<std::string> names;
  for (const std::string& path : FilesMadeIn(std::vector<std::string>{folder}, run))
    names.push_back(path.substr(folder.size() + 1));
  return names;
}
