@"%~dp0tapquill.exe" --words 10 || pause
