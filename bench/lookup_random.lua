-- wrk script: GET the lookup path with a hash drawn at random from a file of rated hashes (one per
-- line, the script's first argument), and print one machine-readable line at the end.
local hashes = {}

function init(args)
  for line in io.lines(args[1]) do
    hashes[#hashes + 1] = line
  end
  -- Each thread its own sequence: the address of a fresh table differs between threads.
  local seed = tonumber(tostring({}):match("0x(%x+)"), 16) or os.time()
  math.randomseed(seed % 2147483647)
end

function request()
  return wrk.format("GET", "/api/fakeskan.php?hash=" .. hashes[math.random(#hashes)])
end

function done(summary, latency, requests)
  local errors = summary.errors
  io.write(string.format(
    "RESULT requests=%d duration_us=%d p50_us=%d p99_us=%d max_us=%d connect_errors=%d read_errors=%d " ..
    "write_errors=%d timeouts=%d bad_status=%d\n",
    summary.requests, summary.duration, latency:percentile(50), latency:percentile(99), latency.max,
    errors.connect, errors.read, errors.write, errors.timeout, errors.status))
end
