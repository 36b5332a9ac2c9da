fn f() {
    if ..= {} {}
    match ..= {} {}
    while x..{ y } {}
    if x..{} {}
    while .. {} {}
    for x in .. {} {}
    if break 1 + { x }.f {}
    if let _ = ..= {} {}
}
