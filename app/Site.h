// The program's web site and its authors' address. The site has no address
// of its own yet: these stand under a reserved domain, which no one answers,
// and must be set before a release. They stay https: over http anyone on the
// way could announce a new version and serve the page it opens, and the
// version check reads nothing that is not https. The mailto: links of the
// built-in commands, the census letter and the error report carry the e-mail
// address in their own texts.
#pragma once

namespace site {

constexpr char kHomePage[] = "https://vestun.example.org/";
constexpr char kNewVersionPage[] = "https://vestun.example.org/new.html";
constexpr char kVersionFile[] = "https://vestun.example.org/version.txt";
// The authors' address, as "О программе" shows it.
constexpr char kAuthorMail[] = "vestun@example.org";

}  // namespace site
