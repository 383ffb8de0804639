@"%~dp0tapquill.exe" --practice || pause
