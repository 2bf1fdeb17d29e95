#include "evidence/rust_releases.h"

#include <algorithm>
#include <iterator>

namespace vantric {
namespace {

struct RustRelease {
  std::string_view commit;
  std::string_view release;
};

// Stable rustc releases and the rust-lang/rust commit each was built from
// (the commit its release tag names, which `rustc -vV` prints as
// "commit-hash"). Where each row was read, by the key in its comment:
//   T  the release tags of https://github.com/rust-lang/rust, as listed in
//      mandiant/flare-floss, floss/language/rust/rust_version_database.py
//      (generated from those tags; checked against `rustc -vV` of 1.70.0)
//   V  `rustc -vV` output of that release quoted in public repositories and
//      issue reports (the "commit-hash:" line next to "release:"); the date
//      is its "commit-date"
//   M  the rustc_version crate's version_meta() for that release (its
//      commit_hash beside short_version_string), in public build outputs
//   L  `rustc -vV` of the official stable toolchain (rustup) on this project's
//      build machine
// Newest first; pre-1.0 and unstable releases are left out.
constexpr RustRelease kReleases[] = {
    {"59807616e1fa2540724bfbac14d7976d7e4a3860", "1.95.0"},  // L 2026-04-14
    {"e408947bfd200af42db322daf0fadfe7e26d3bd1", "1.94.1"},  // V 2026-03-25
    {"4a4ef493e3a1488c6e321570238084b38948f6db", "1.94.0"},  // V 2026-03-02
    {"01f6ddf7588f42ae2d7eb0a2f21d44e8e96674cf", "1.93.1"},  // V 2026-02-11
    {"254b59607d4417e9dffbc307138ae5c86280fe4c", "1.93.0"},  // V 2026-01-19
    {"ded5c06cf21d2b93bffd5d884aa6e96934ee4234", "1.92.0"},  // V 2025-12-08
    {"ed61e7d7e242494fb7057f2657300d9e77bb4fcb", "1.91.1"},  // V 2025-11-07
    {"f8297e351a40c1439a467bbbb6879088047f50b3", "1.91.0"},  // V 2025-10-28
    {"1159e78c4747b02ef996e55082b704c09b970588", "1.90.0"},  // V 2025-09-14
    {"29483883eed69d5fb4db01964cdf2af4d86e9cb2", "1.89.0"},  // V 2025-08-04
    {"6b00bc3880198600130e1cf62b8f8a93494488cc", "1.88.0"},  // V 2025-06-23
    {"17067e9ac6d7ecb70e50f92c1944e545188d2359", "1.87.0"},  // V 2025-05-09
    {"05f9846f893b09a1be1fc8560e33fc3c815cfecb", "1.86.0"},  // V 2025-03-31
    {"4eb161250e340c8f48f66e2b929ef4a5bed7c181", "1.85.1"},  // V 2025-03-15
    {"4d91de4e48198da2e33413efdcd9cd2cc0c46688", "1.85.0"},  // V 2025-02-17
    {"e71f9a9a98b0faf423844bf0ba7438f29dc27d58", "1.84.1"},  // V 2025-01-27
    {"9fc6b43126469e3858e2fe86cafb4f0fd5068869", "1.84.0"},  // V 2025-01-07
    {"90b35a6239c3d8bdabc530a6a0816f7ff89a0aaf", "1.83.0"},  // V 2024-11-26
    {"f6e511eec7342f59a25f7c0534f1dbea00d01b14", "1.82.0"},  // V 2024-10-15
    {"eeb90cda1969383f56a2637cbd3037bdf598841c", "1.81.0"},  // M 2024-09-04
    {"3f5fd8dd41153bc5fdca9427e9e05be2c767ba23", "1.80.1"},  // V 2024-08-06
    {"051478957371ee0084a7c0913941d2a8c4757bb9", "1.80.0"},  // V 2024-07-21
    {"129f3b9964af4d4a709d1383930ade12dfe7c081", "1.79.0"},  // M 2024-06-10
    {"9b00956e56009bab2aa15d7bff10916599e3d6d6", "1.78.0"},  // M 2024-04-29
    {"25ef9e3d85d934b27d9dada2f9dd52b1dc63bb04", "1.77.2"},  // V 2024-04-09
    {"7cf61ebde7b22796c69757901dd346d0fe70bd97", "1.77.1"},  // V 2024-03-27
    {"aedd173a2c086e558c2b66d3743b344f977621a7", "1.77.0"},  // V 2024-03-17
    {"07dca489ac2d933c78d3c5158e3f43beefeb02ce", "1.76.0"},  // V 2024-02-04
    {"82e1608dfa6e0b5569232559e3d385fea5a93112", "1.75.0"},  // V 2023-12-21
    {"a28077b28a02b92985b3a3faecf92813155f1ea1", "1.74.1"},  // T
    {"79e9716c980570bfd1f666e3b16ac583f0168962", "1.74.0"},  // T
    {"cc66ad468955717ab92600c770da8c1601a4ff33", "1.73.0"},  // T
    {"d5c2e9c342b358556da91d61ed4133f6f50fc0c3", "1.72.1"},  // T
    {"5680fa18feaa87f3ff04063800aec256c3d4b4be", "1.72.0"},  // T
    {"eb26296b556cef10fb713a38f3d16b9886080f26", "1.71.1"},  // T
    {"8ede3aae28fe6e4d52b38157d7bfe0d3bceef225", "1.71.0"},  // T
    {"90c541806f23a127002de5b4038be731ba1458ca", "1.70.0"},  // T
    {"84c898d65adf2f39a5a98507f1fe0ce10a2b8dbc", "1.69.0"},  // T
    {"9eb3afe9ebe9c7d2b84b71002d44f4a0edac95e0", "1.68.2"},  // T
    {"8460ca823e8367a30dda430efda790588b8c84d3", "1.68.1"},  // T
    {"2c8cc343237b8f7d5a3c3703e3a87f2eb2c54a74", "1.68.0"},  // T
    {"d5a82bbd26e1ad8b7401f6a718a9c57c96905483", "1.67.1"},  // T
    {"fc594f15669680fa70d255faec3ca3fb507c3405", "1.67.0"},  // T
    {"90743e7298aca107ddaa0c202a4d3604e29bfeb6", "1.66.1"},  // T
    {"69f9c33d71c871fc16ac445211281c6e7a340943", "1.66.0"},  // T
    {"897e37553bba8b42751c67658967889d11ecd120", "1.65.0"},  // T
    {"a55dd71d5fb0ec5a6a3a9e8c27b2127ba491ce52", "1.64.0"},  // T
    {"4b91a6ea7258a947e59c6522cd5898e7c0a6a88f", "1.63.0"},  // T
    {"e092d0b6b43f2de967af0887873151bb1c0b18d3", "1.62.1"},  // T
    {"a8314ef7d0ec7b75c336af2c9857bfaf43002bfc", "1.62.0"},  // T
    {"fe5b13d681f25ee6474be29d748c65adcd91f69e", "1.61.0"},  // T
    {"7737e0b5c4103216d6fd8cf941b7ab9bdbaace7c", "1.60.0"},  // T
    {"9d1b2106e23b1abd32fce1f17267604a5102f57a", "1.59.0"},  // T
    {"db9d1b20bba1968c1ec1fc49616d4742c1725b4b", "1.58.1"},  // T
    {"02072b482a8b5357f7fb5e5637444ae30e423c40", "1.58.0"},  // T
    {"f1edd0429582dd29cccacaf50fd134b05593bd9c", "1.57.0"},  // T
    {"59eed8a2aac0230a8b53e89d4e99d55912ba6b35", "1.56.1"},  // T
    {"09c42c45858d5f3aedfa670698275303a3d19afa", "1.56.0"},  // T
    {"c8dfcfe046a7680554bf4eb612bad840e7631c4b", "1.55.0"},  // T
    {"a178d0322ce20e33eac124758e837cbd80a6f633", "1.54.0"},  // T
    {"53cb7b09b00cbea8754ffb78e7e3cb521cb8af4b", "1.53.0"},  // T
    {"9bc8c42bb2f19e745a63f3445f1ac248fb015e53", "1.52.1"},  // T
    {"88f19c6dab716c6281af7602e30f413e809c5974", "1.52.0"},  // T
    {"2fd73fabe469357a12c2c974c140f67e7cdd76d0", "1.51.0"},  // T
    {"cb75ad5db02783e8b0222fee363c5f63f7e2cf5b", "1.50.0"},  // T
    {"e1884a8e3c3e813aada8254edfa120e85bf5ffca", "1.49.0"},  // T
    {"7eac88abb2e57e752f3302f02be5f3ce3d7adfb4", "1.48.0"},  // T
    {"18bf6b4f01a6feaf7259ba7cdae58031af1b7b39", "1.47.0"},  // T
    {"04488afe34512aa4c33566eb16d8c912a3ae04f9", "1.46.0"},  // T
    {"d3fb005a39e62501b8b0b356166e515ae24e2e54", "1.45.2"},  // T
    {"c367798cfd3817ca6ae908ce675d1d99242af148", "1.45.1"},  // T
    {"5c1f21c3b82297671ad3ae1e8c942d2ca92e84f2", "1.45.0"},  // T
    {"c7087fe00d2ba919df1d813c040a5d47e43b0fe7", "1.44.1"},  // T
    {"49cae55760da0a43428eba73abcb659bb70cf2e4", "1.44.0"},  // T
    {"8d69840ab92ea7f4d323420088dd8c9775f180cd", "1.43.1"},  // T
    {"4fb7144ed159f94491249e86d5bbd033b5d60550", "1.43.0"},  // T
    {"b8cedc00407a4c56a3bda1ed605c6fc166655447", "1.42.0"},  // T
    {"f3e1a954d2ead4e2fc197c7da7d71e6c61bad196", "1.41.1"},  // T
    {"5e1a799842ba6ed4a57e91f7ab9435947482f7d8", "1.41.0"},  // T
    {"73528e339aae0f17a15ffa49a8ac608f50c6cf14", "1.40.0"},  // T
    {"4560ea788cb760f0a34127156c78e2552949f734", "1.39.0"},  // T
    {"625451e376bb2e5283fc4741caa0a3e8a2ca4d54", "1.38.0"},  // T
    {"eae3437dfe991621e8afdc82734f4a172d7ddf9b", "1.37.0"},  // T
    {"a53f9df32fbb0b5f4382caaad8f1a46f36ea887c", "1.36.0"},  // T
    {"3c235d5600393dfe6c36eeed34042efad8d4f26e", "1.35.0"},  // T
    {"6c2484dc3c532c052f159264e970278d8b77cdc9", "1.34.2"},  // T
    {"fc50f328b0353b285421b8ff5d4100966387a997", "1.34.1"},  // T
    {"91856ed52c58aa5ba66a015354d1cc69e9779bdf", "1.34.0"},  // T
    {"2aa4c46cfdd726e97360c2734835aa3515e8c858", "1.33.0"},  // T
    {"9fda7c2237db910e41d6a712e9a2139b352e558b", "1.32.0"},  // T
    {"b6c32da9b0481e3e9d737153286b3ff8aa39a22c", "1.31.1"},  // T
    {"abe02cefd6cd1916df62ad7dc80161bea50b72e8", "1.31.0"},  // T
    {"1433507eba7d1a114e4c6f27ae0e1a74f60f20de", "1.30.1"},  // T
    {"da5f414c2c0bfe5198934493f04c676e2b23ff2e", "1.30.0"},  // T
    {"17a9dc7513b9fea883dc9505f09f97c63d1d601b", "1.29.2"},  // T
    {"b801ae66425cf7c3c71052b19ef8f145b0d0513d", "1.29.1"},  // T
    {"aa3ca1994904f2e056679fce1f185db8c7ed2703", "1.29.0"},  // T
    {"9634041f0e8c0f3191d2867311276f19d0a42564", "1.28.0"},  // T
    {"58cc626de3301192d5d8c6dcbde43b5b44211ae2", "1.27.2"},  // T
    {"5f2b325f64ed6caa7179f3e04913db437656ec7e", "1.27.1"},  // T
    {"3eda71b00ad48d7bf4eef4c443e7f611fd061418", "1.27.0"},  // T
    {"594fb253c2b02b320c728391a425d028e6dc7a09", "1.26.2"},  // T
    {"827013a31b88e536e85b8e6ceb5b9988042ec335", "1.26.1"},  // T
    {"a7756804103447ea4e68a71ccf071e7ad8f7a03e", "1.26.0"},  // T
    {"84203cac67e65ca8640b8392348411098c856985", "1.25.0"},  // T
    {"d3ae9a9e08edf12de0ed82af57ba2a56c26496ea", "1.24.1"},  // T
    {"4d90ac38c0b61bb69470b61ea2cccea0df48d9e5", "1.24.0"},  // T
    {"766bd11c8a3c019ca53febdcd77b2215379dd67d", "1.23.0"},  // T
    {"05e2e1c41414e8fc73d0f267ea8dab1a3eeeaa99", "1.22.1"},  // T
    {"328886ba2eaf0d3ac7e78ef3ba27eb296d0af3c0", "1.22.0"},  // T
    {"3b72af97e42989b2fe104d8edbaee123cdf7c58f", "1.21.0"},  // T
    {"f3d6973f41a7d1fb83029c9c0ceaf0f5d4fd7208", "1.20.0"},  // T
    {"0ade339411587887bf01bcfa2e9ae4414c8900d4", "1.19.0"},  // T
    {"03fc9d622e0ea26a3d37f5ab030737fcca6928b9", "1.18.0"},  // T
    {"56124baa9e73f28c0709e59e74783cf234a978cf", "1.17.0"},  // T
    {"30cf806ef8881c41821fbd43e5cf3699c5290c16", "1.16.0"},  // T
    {"021bd294c039bd54aa5c4aa85bcdffb0d24bc892", "1.15.1"},  // T
    {"10893a9a349cdd423f2490a6984acb5b3b7c8046", "1.15.0"},  // T
    {"e8a0123241f0d397d39cd18fcc4e5e7edde22730", "1.14.0"},  // T
    {"2c6933acc05c61e041be764cb1331f6281993f3f", "1.13.0"},  // T
    {"d4f39402a0c2c2b94ec0375cd7f7f6d7918113cd", "1.12.1"},  // T
    {"3191fbae9da539442351f883bdabcad0d72efcb6", "1.12.0"},  // T
    {"9b21dcd6a89f38e8ceccb2ede8c9027cb409f6e3", "1.11.0"},  // T
    {"cfcb716cf0961a7e3a4eceac828d94805cf8140b", "1.10.0"},  // T
    {"e4e8b666850a763fdf1c3c2c142856ab51e32779", "1.9.0"},  // T
    {"db2939409db26ab4904372c82492cd3488e4c44e", "1.8.0"},  // T
    {"a5d1e7a59a2a3413c377b003075349f854304b5e", "1.7.0"},  // T
    {"c30b771ad9d44ab84f8c88b80c25fcfde2433126", "1.6.0"},  // T
    {"3d7cd77e442ce34eaac8a176ae8be17669498ebc", "1.5.0"},  // T
    {"8ab8581f6921bc7a8e3fa4defffd2814372dcb15", "1.4.0"},  // T
    {"9a92aaf19a64603b02b4130fe52958cc12488900", "1.3.0"},  // T
    {"082e4763615bdbe7b4dd3dfd6fc2210b7773edf5", "1.2.0"},  // T
    {"35ceea3997c79a3b7562e89b462ab76af5b86b22", "1.1.0"},  // T
    {"a59de37e99060162a2674e3ff45409ac73595c0e", "1.0.0"},  // T
};

}  // namespace

std::optional<std::string_view> RustReleaseOfCommit(std::string_view commit) {
  const auto row = std::find_if(std::begin(kReleases), std::end(kReleases),
                                [&](const RustRelease& r) { return r.commit == commit; });
  if (row == std::end(kReleases)) return std::nullopt;
  return row->release;
}

}  // namespace vantric
