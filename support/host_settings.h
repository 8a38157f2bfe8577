// The addresses the program talks to. The hosts are build settings
// (ZANQ_DOWNLOAD_HOST, ZANQ_HINT_HOST, ZANQ_SITE_HOST: a host with an
// optional :port), compiled in as string literals.
#pragma once

#if !defined(ZANQ_DOWNLOAD_HOST) || !defined(ZANQ_HINT_HOST) || !defined(ZANQ_SITE_HOST)
#error "the host settings come from the build: link zanq_support"
#endif

// Where the installer is downloaded from.
inline constexpr char kInstallerUrl[] = "http://" ZANQ_DOWNLOAD_HOST "/zanq/ZanqPlay.exe";

// A hint URL is kHintBaseUrl, the event's name, then kHintHostSuffix.
inline constexpr char kHintBaseUrl[] = "http://" ZANQ_HINT_HOST "/service/hint?fceid=";
inline constexpr char kHintHostSuffix[] = "&host=" ZANQ_SITE_HOST;
