// The program's web site. It has no address of its own yet: these stand
// under a reserved domain, which no one answers, and must be set before a
// release. Nothing else in the program names an address on the site.
#pragma once

namespace site {

constexpr char kHomePage[] = "http://vestun.example.org/";
constexpr char kNewVersionPage[] = "http://vestun.example.org/new.html";
constexpr char kVersionFile[] = "http://vestun.example.org/version.txt";

}  // namespace site
