# The traffic accounting rules as a one-pass mawk script, to compare the module with.
# Usage: mawk -f traffic_script.awk DIR.expected DIR/FILE...   (the log files in name order)
# Prints "lines=N", then one "day ..." record per credited domain and day and one
# "finished NAME" record per file that need not be read again, in the form of DIR.expected.
# Simplifications that the generated logs never meet: session ids are keyed by their token
# as written, and a last line without its line end is read like any other.

function param(text, keyword,   at, rest, blank) {
  at = index(text, keyword)
  if (!at) at = index(toupper(text), toupper(keyword))
  if (!at) return ""
  rest = substr(text, at + length(keyword))
  while (substr(rest, 1, 1) == " ") rest = substr(rest, 2)
  blank = index(rest, " ")
  return blank ? substr(rest, 1, blank - 1) : rest
}

function addressPart(value,   opening, closing) {
  opening = index(value, "<"); closing = index(value, ">")
  return (opening && closing && opening < closing) ? substr(value, opening + 1, closing - opening - 1) : value
}

function domainOf(address,   at) {
  at = index(address, "@")
  return at ? substr(address, at + 1) : ""
}

# Word n (from 0) of the text, read as its leading digits; a missing word fails the file.
function size(text, n,   words, count) {
  count = split(text, words, " ")
  if (n + 1 > count || words[n + 1] == "") { failed = 1; return 0 }
  match(words[n + 1], /^[0-9]*/)
  return RLENGTH > 0 ? substr(words[n + 1], 1, RLENGTH) + 0 : 0
}

function credit(domain, day, slot, first, second,   key, c) {
  key = domain SUBSEP day
  if (!(key in credited)) { credited[key] = 1; for (c = 0; c < 6; c++) counter[key, c] = 0 }
  counter[key, slot] += first
  counter[key, slot + 1] += second
}

function endFile() {
  if (current != "" && !failed && old) print "finished " current
  current = ""
}

function smtpLine(   key, value, count, listed, r, recipients, sender) {
  key = $2
  if (direction == 0) {
    if (text != "Disconnected" || !(key in sFirst)) return
    count = split(sRecipients[key], recipients, " ")
    listed = 0
    for (r = 1; r <= count; r++) if (domainOf(recipients[r]) in measured) listed++
    sender = domainOf(sSender[key])
    if (listed < count && sender in measured) credit(sender, day, 0, sFirst[key], sSecond[key])
    if (listed)
      for (r = 1; r <= count; r++)
        if (domainOf(recipients[r]) in measured)
          credit(domainOf(recipients[r]), day, 2, int(sFirst[key] / listed), int(sSecond[key] / listed))
    delete sFirst[key]; delete sSecond[key]; delete sSender[key]; delete sRecipients[key]
    return
  }
  if (!(key in sFirst)) { sFirst[key] = 0; sSecond[key] = 0; sSender[key] = ""; sRecipients[key] = "" }
  value = param(text, "MAIL FROM:")
  if (value != "") {
    if (sSender[key] != "") { failed = 1; return }
    sSender[key] = addressPart(value)
  } else {
    value = param(text, "RCPT TO:")
    if (value != "") sRecipients[key] = sRecipients[key] " " addressPart(value)
  }
  if (direction == 1) { if (client) sSecond[key] += length(text) + 2; else sFirst[key] += length(text) + 2 }
  else if (direction == 2) { if (client) sFirst[key] += length(text) + 2; else sSecond[key] += length(text) + 2 }
  else sSecond[key] += size(text, 3)
}

function popLine(   key, value, count, u, users) {
  if ($1 == "127.0.0.1") return
  key = $2
  if (direction == 0) {
    if (text != "Disconnected" || !(key in pFirst)) return
    count = split(pUsers[key], users, " ")
    for (u = 1; u <= count; u++)
      if (domainOf(users[u]) in measured) credit(domainOf(users[u]), day, 4, pFirst[key], pSecond[key])
    delete pFirst[key]; delete pSecond[key]; delete pUsers[key]
    return
  }
  if (!(key in pFirst)) { pFirst[key] = 0; pSecond[key] = 0; pUsers[key] = "" }
  value = param(text, "USER")
  if (value != "") pUsers[key] = pUsers[key] " " value
  if (direction == 1) pFirst[key] += length(text) + 2
  else if (direction == 2) pSecond[key] += length(text) + 2
  else pFirst[key] += size(text, 2)
}

BEGIN {
  split("Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec", names, " ")
  for (m = 1; m <= 12; m++) month[names[m]] = m
  while ((getline record < ARGV[1]) > 0) {
    split(record, f, " ")
    if (f[1] == "from") start = ((f[2] * 100 + f[3]) * 100 + f[4]) * 1000000 + f[5] * 10000 + f[6] * 100 + f[7]
    else if (f[1] == "to") stop = ((f[2] * 100 + f[3]) * 100 + f[4]) * 1000000 + f[5] * 10000 + f[6] * 100 + f[7]
    else if (f[1] == "domain") measured[f[2]] = 1
  }
  ARGV[1] = ""
  RS = "\r\n"
}

FNR == 1 {
  endFile()
  current = FILENAME; sub(/.*\//, "", current)
  kind = substr(current, 1, 1); old = 1; failed = 0
  if (kind != "s" && kind != "p") nextfile
}

{
  if ($0 == "") nextfile
  lines++
  if (NF < 9 || !($5 in month) || split($7, clock, ":") < 3) { failed = 1; nextfile }
  stamp = (($6 * 100 + month[$5]) * 100 + $4) * 1000000 + clock[1] * 10000 + clock[2] * 100 + clock[3]
  if (stamp < start) next
  old = 0
  if (stamp >= stop) next
  day = ($6 + 0) " " month[$5] " " ($4 + 0)
  i = 9; client = 0
  if (NF > 10 && $9 == "Client" && $10 == "session") { client = 1; i = 11 }
  direction = $i == ">>>" ? 1 : $i == "<<<" ? 2 : $i == "***" ? 3 : 0
  if (direction) i++
  text = i <= NF ? $i : ""
  for (k = i + 1; k <= NF; k++) text = text " " $k
  if (kind == "s") smtpLine(); else popLine()
  if (failed) nextfile  # a malformed line ends the reading of its file
}

END {
  endFile()
  print "lines=" lines
  for (key in credited) {
    split(key, part, SUBSEP)
    printf "day %s %s", part[1], part[2]
    for (c = 0; c < 6; c++) printf " %d", counter[key, c]
    printf "\n"
  }
}
