// Placeholder: the sample-prefix builder lands here.
namespace support {}
