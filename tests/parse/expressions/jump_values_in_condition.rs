fn f() {
    if return {} {}
    while return S {} {}
    if yield x {} {}
    if break 'a {} {}
    if || x {}
    if move || S {} {}
    if let x = S {} {}
}
